// Export then import: the same records, for every record the address file can hold unchanged.
#include "Listing.h"
#include "exchange/Exchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using exchange::ContactFields;
using exchange::FileKind;

std::vector<ContactFields> roundTrip(FileKind kind, const std::vector<ContactFields>& records) {
    std::string out;
    exchange::appendExportStart(kind, out);
    for (const ContactFields& record : records) {
        exchange::ContactView view;
        std::ranges::copy(record, view.begin());
        exchange::appendExportContact(kind, out, view);
    }
    const exchange::ReadResult result = exchange::readContacts(kind, out);
    EXPECT_EQ(result.changedCount, 0u);
    EXPECT_TRUE(result.skipped.empty() && result.fault.empty()) << exchange::summaryText(result);
    return result.contacts;
}

// Fields from the characters that trip writers up: both formats' separators and quotes, escapes,
// blanks at the ends, letters beyond ASCII, Windows-1252 punctuation.
class RecordGenerator {
public:
    ContactFields next() {
        ContactFields record;
        do {
            for (std::size_t column = 0; column < record.size(); ++column) {
                record[column] = column == exchange::column::Telephone ? numbers() : text();
            }
        } while (std::ranges::all_of(record, &std::string::empty));
        return record;
    }

private:
    std::string text(std::size_t shortest = 0) {
        static constexpr std::string_view Characters =
            "aZ09 ,;\"\\:^=/-.'\xE4\xD6\xDF\xE9\x80\x84\x93\x96\xA0\xFF";
        if (pick(3) == 0 && shortest == 0) {
            return {};
        }
        std::string text;
        const std::size_t length = shortest + pick(12);
        while (text.size() < length) {
            text += Characters[pick(Characters.size())];
        }
        return text;
    }

    // The field as reading numbers gives it: each one without blanks at its ends, " / " between two.
    std::string numbers() {
        std::string field;
        for (std::size_t count = pick(4); count > 0; --count) {
            std::string number = text(1);
            while (number.front() == ' ' || number.back() == ' ' || number.find(" / ") != std::string::npos) {
                number = text(1);
            }
            field += (field.empty() ? "" : " / ") + number;
        }
        return field;
    }

    std::size_t pick(std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
    }

    std::mt19937 random_{2024};
};

class RoundTripTest : public testing::TestWithParam<FileKind> {};

TEST_P(RoundTripTest, GivesTheSameRecords) {
    RecordGenerator generator;
    std::vector<ContactFields> records(2000);
    std::ranges::generate(records, [&] { return generator.next(); });
    EXPECT_EQ(roundTrip(GetParam(), records), records);
}

// What the address file can hold but the mapping tidies: all come back changed in the same way.
TEST_P(RoundTripTest, TidiesWhatCannotSurvive) {
    const std::vector<ContactFields> records = {
        {"Tab\there", "", "", "", "", "", ""},
        {"Undefined \x81"
         "byte",
         "", "", "", "", "", ""},
        {"Line\nfeed", "", "", "", "", "", ""},
        {"N", "", "", "", " 12 /  / tel:34 / ", "", ""},
        {"N", "", "", "", "", "mailto:a@b", ""},
        {"", "", "", "", "", "", ""},
    };
    std::string out;
    exchange::appendExportStart(GetParam(), out);
    for (const ContactFields& record : records) {
        exchange::ContactView view;
        std::ranges::copy(record, view.begin());
        exchange::appendExportContact(GetParam(), out, view);
    }
    const std::vector<ContactFields> expected = {
        {"Tab here", "", "", "", "", "", ""},   {"Undefined byte", "", "", "", "", "", ""},
        {"Line; feed", "", "", "", "", "", ""}, {"N", "", "", "", "12 / 34", "", ""},
        {"N", "", "", "", "", "a@b", ""}, // and the blank record is not written at all
    };
    EXPECT_EQ(exchange::readContacts(GetParam(), out).contacts, expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripTest, testing::Values(FileKind::Vcard, FileKind::Csv),
                         [](const testing::TestParamInfo<FileKind>& info) {
                             return info.param == FileKind::Vcard ? "Vcard" : "Csv";
                         });

} // namespace
