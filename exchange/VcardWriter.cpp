#include "VcardWriter.h"

#include "Telephones.h"
#include "Text.h"
#include "Utf8.h"

namespace exchange {

namespace {

constexpr std::size_t LineOctets = 75;

std::string escapedText(std::string_view windows1252) {
    std::string escaped;
    for (const char c : utf8FromWindows1252(windows1252)) {
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

void appendFolded(std::string& out, std::string_view line) {
    std::size_t room = LineOctets;
    while (line.size() > room) {
        std::size_t cut = room;
        while (isUtf8Continuation(line[cut])) {
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

// The full name is required; a contact without one is shown by what else it has.
std::string_view displayedName(const ContactView& contact, std::string& spelledOut) {
    spelledOut =
        joinNonEmpty({std::string(contact[column::Firstname]), std::string(contact[column::Name])}, " ");
    if (!spelledOut.empty()) {
        return spelledOut;
    }
    for (const std::size_t other : {column::Alias, column::Email}) {
        if (!contact[other].empty()) {
            return contact[other];
        }
    }
    const std::vector<std::string_view> numbers = telephoneParts(contact[column::Telephone]);
    return numbers.empty() ? std::string_view{} : numbers.front();
}

} // namespace

bool appendVcard(std::string& out, const ContactView& contact) {
    if (isBlank(contact)) {
        return false;
    }
    out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
    if (!contact[column::Name].empty() || !contact[column::Firstname].empty()) {
        appendFolded(out, "N:" + escapedText(contact[column::Name]) + ";" +
                              escapedText(contact[column::Firstname]) + ";;;");
    }
    std::string spelledOut;
    appendFolded(out, "FN:" + escapedText(displayedName(contact, spelledOut)));
    if (!contact[column::Alias].empty()) {
        appendFolded(out, "NICKNAME:" + escapedText(contact[column::Alias]));
    }
    if (const std::string_view address = contact[column::Address]; !address.empty()) {
        appendFolded(out,
                     "ADR;LABEL=\"" + escapedParameter(address) + "\":;;" + escapedText(address) + ";;;;");
    }
    for (const std::string_view number : telephoneParts(contact[column::Telephone])) {
        appendFolded(out, "TEL;VALUE=text:" + escapedText(number));
    }
    if (!contact[column::Email].empty()) {
        appendFolded(out, "EMAIL:" + escapedText(contact[column::Email]));
    }
    if (!contact[column::Note].empty()) {
        appendFolded(out, "NOTE:" + escapedText(contact[column::Note]));
    }
    out += "END:VCARD\r\n";
    return true;
}

} // namespace exchange
