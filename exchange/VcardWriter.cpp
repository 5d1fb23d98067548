#include "VcardWriter.h"

#include "Telephones.h"
#include "Text.h"
#include "Utf8.h"

namespace exchange {

namespace {

constexpr std::size_t LineOctets = 75;

std::string escapedField(std::string_view windows1252) {
    return escapedText(utf8FromWindows1252(windows1252));
}

// A parameter value goes in double quotes, which it must not hold itself.
std::string escapedParameter(std::string_view windows1252) {
    std::string escaped;
    for (const char c : utf8FromWindows1252(windows1252)) {
        if (c == '^') {
            escaped += "^^";
        } else if (c == '"') {
            escaped += "^'";
        } else if (c == '\n' || c == '\r') {
            escaped += "^n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

bool isUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

enum class Version { V3, V4 };

bool appendCard(std::string& out, const ContactView& contact, Version version, std::string_view uid) {
    if (isBlank(contact)) {
        return false;
    }
    out += version == Version::V4 ? "BEGIN:VCARD\r\nVERSION:4.0\r\n" : "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    if (!uid.empty()) {
        appendFolded(out, "UID:" + escapedText(uid));
    }
    if (version == Version::V3 || !contact[column::Name].empty() || !contact[column::Firstname].empty()) {
        appendFolded(out, "N:" + escapedField(contact[column::Name]) + ";" +
                              escapedField(contact[column::Firstname]) + ";;;");
    }
    appendFolded(out, "FN:" + escapedField(displayedName(contact)));
    if (!contact[column::Alias].empty()) {
        appendFolded(out, "NICKNAME:" + escapedField(contact[column::Alias]));
    }
    if (const std::string_view address = contact[column::Address]; !address.empty()) {
        // 4.0 carries the address as a label too; 3.0 has no such parameter.
        const std::string label =
            version == Version::V4 ? ";LABEL=\"" + escapedParameter(address) + "\"" : std::string();
        appendFolded(out, "ADR" + label + ":;;" + escapedField(address) + ";;;;");
    }
    for (const std::string_view number : telephoneParts(contact[column::Telephone])) {
        appendFolded(out, (version == Version::V4 ? "TEL;VALUE=text:" : "TEL:") + escapedField(number));
    }
    if (!contact[column::Email].empty()) {
        appendFolded(out, "EMAIL:" + escapedField(contact[column::Email]));
    }
    if (!contact[column::Note].empty()) {
        appendFolded(out, "NOTE:" + escapedField(contact[column::Note]));
    }
    out += "END:VCARD\r\n";
    return true;
}

} // namespace

std::string escapedText(std::string_view utf8) {
    std::string escaped;
    escaped.reserve(utf8.size());
    for (const char c : utf8) {
        if (c == '\\' || c == ',' || c == ';') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n' || c == '\r') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string displayedName(const ContactView& contact) {
    std::string spelledOut =
        joinNonEmpty({std::string(contact[column::Firstname]), std::string(contact[column::Name])}, " ");
    if (!spelledOut.empty()) {
        return spelledOut;
    }
    for (const std::size_t other : {column::Alias, column::Email}) {
        if (!contact[other].empty()) {
            return std::string(contact[other]);
        }
    }
    const std::vector<std::string_view> numbers = telephoneParts(contact[column::Telephone]);
    return numbers.empty() ? std::string() : std::string(numbers.front());
}

void appendFolded(std::string& out, std::string_view line) {
    std::size_t room = LineOctets;
    while (line.size() > room) {
        // A character has at most three continuation bytes; text that is not UTF-8 is cut anywhere.
        std::size_t cut = room;
        for (int back = 0; back < 3 && isUtf8Continuation(line[cut]); ++back) {
            --cut;
        }
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        room = LineOctets - 1; // the blank that starts a continuation counts
    }
    out.append(line);
    out += "\r\n";
}

bool appendVcard(std::string& out, const ContactView& contact) {
    return appendCard(out, contact, Version::V4, {});
}

bool appendServerVcard(std::string& out, const ContactView& contact, std::string_view uid) {
    return appendCard(out, contact, Version::V3, uid);
}

} // namespace exchange
