#include "Utf8.h"

#include "Text.h"
#include "book/CodePage.h"

#include <algorithm>
#include <array>

namespace exchange {

namespace {

// ISO-8859-15 differs from Latin-1 in eight places; the rest it shares with Windows-1252.
constexpr std::array<std::pair<unsigned char, char32_t>, 8> Latin9Differences = {{{0xA4, 0x20AC},
                                                                                  {0xA6, 0x0160},
                                                                                  {0xA8, 0x0161},
                                                                                  {0xB4, 0x017D},
                                                                                  {0xB8, 0x017E},
                                                                                  {0xBC, 0x0152},
                                                                                  {0xBD, 0x0153},
                                                                                  {0xBE, 0x0178}}};

enum class Charset { Utf8OrWindows1252, Windows1252, Latin9 };

Charset charsetNamed(std::string_view name) {
    const std::string lower = lowerAscii(name);
    for (const std::string_view latin1 :
         {"iso-8859-1", "iso8859-1", "latin1", "latin-1", "windows-1252", "cp1252", "us-ascii", "ascii"}) {
        if (lower == latin1) {
            return Charset::Windows1252;
        }
    }
    if (lower == "iso-8859-15" || lower == "iso8859-15" || lower == "latin9" || lower == "latin-9") {
        return Charset::Latin9;
    }
    return Charset::Utf8OrWindows1252;
}

std::string utf8FromLatin9(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        const auto* differing = std::find_if(Latin9Differences.begin(), Latin9Differences.end(),
                                             [value](const auto& entry) { return entry.first == value; });
        appendUtf8(out, differing != Latin9Differences.end() ? differing->second : char32_t{value});
    }
    return out;
}

} // namespace

DecodedCharacter decodeUtf8At(std::string_view text, std::size_t position) {
    const auto lead = static_cast<unsigned char>(text[position]);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    std::size_t length = 0;
    char32_t character = 0;
    char32_t smallest = 0; // anything below is an overlong form
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        character = lead & 0x1F;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        character = lead & 0x0F;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        character = lead & 0x07;
        smallest = 0x10000;
    } else {
        return {ReplacementCharacter, 1, false};
    }
    if (text.size() - position < length) {
        return {ReplacementCharacter, 1, false};
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[position + i]);
        if ((next & 0xC0) != 0x80) {
            return {ReplacementCharacter, 1, false};
        }
        character = (character << 6) | (next & 0x3F);
    }
    if (character < smallest || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) {
        return {ReplacementCharacter, 1, false};
    }
    return {character, length, true};
}

void appendUtf8(std::string& out, char32_t character) {
    if (character < 0x80) {
        out += static_cast<char>(character);
    } else if (character < 0x800) {
        out += static_cast<char>(0xC0 | (character >> 6));
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else if (character < 0x10000) {
        out += static_cast<char>(0xE0 | (character >> 12));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (character >> 18));
        out += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    }
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t position = 0; position < text.size();) {
        const DecodedCharacter decoded = decodeUtf8At(text, position);
        if (!decoded.valid) {
            return false;
        }
        position += decoded.length;
    }
    return true;
}

std::optional<std::string> utf8FromMarkedUtf16(std::string_view bytes) {
    const bool littleEndian = bytes.starts_with("\xFF\xFE");
    if (!littleEndian && !bytes.starts_with("\xFE\xFF")) {
        return std::nullopt;
    }
    const auto unitAt = [&](std::size_t i) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(littleEndian ? first | second << 8 : first << 8 | second);
    };
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size() && unitAt(i + 2) >= 0xDC00 &&
            unitAt(i + 2) <= 0xDFFF) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
            i += 2;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            unit = ReplacementCharacter;
        }
        appendUtf8(out, unit);
    }
    return out;
}

std::string utf8FromWindows1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char byte : bytes) {
        appendUtf8(out, book::toUnicode(static_cast<unsigned char>(byte)));
    }
    return out;
}

std::string utf8FromCharset(std::string_view bytes, std::string_view charset) {
    switch (charsetNamed(charset)) {
    case Charset::Windows1252:
        return utf8FromWindows1252(bytes);
    case Charset::Latin9:
        return utf8FromLatin9(bytes);
    case Charset::Utf8OrWindows1252:
        break;
    }
    return isValidUtf8(bytes) ? std::string(bytes) : utf8FromWindows1252(bytes);
}

} // namespace exchange
