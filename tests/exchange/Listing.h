#pragma once

#include "exchange/Contacts.h"
#include "exchange/Utf8.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace exchange {

// A contact as one readable line: the fields in UTF-8 between '|', as the address file lays them out.
inline std::string listingLine(const ContactFields& contact) {
    std::string line;
    for (std::size_t column = 0; column < contact.size(); ++column) {
        line += (column == 0 ? "" : "|") + utf8FromWindows1252(contact[column]);
    }
    return line;
}

// The summary, then every contact, then every reason for a skip, one a line.
inline std::string listing(const ReadResult& result) {
    std::string text = summaryText(result) + "\n";
    for (const ContactFields& contact : result.contacts) {
        text += listingLine(contact) + "\n";
    }
    for (const std::string& reason : result.skipped) {
        text += "skipped: " + reason + "\n";
    }
    return text;
}

// Text as a Windows program's "Unicode" file: UTF-16 with its byte order mark.
inline std::string markedUtf16(std::u16string_view text, bool littleEndian) {
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes += littleEndian ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

// A reader's case: a file and the listing it should give.
struct ListingCase {
    const char* name;
    std::string input;
    std::string listing;
};

inline std::string caseName(const testing::TestParamInfo<ListingCase>& info) {
    return info.param.name;
}

inline void PrintTo(const ContactFields& contact, std::ostream* out) {
    *out << '"' << listingLine(contact) << '"';
}

} // namespace exchange
