#pragma once

#include "book/AddressTable.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

// A contact as the address list holds it: seven Windows-1252 fields in column order.
using ContactFields = std::array<std::string, book::ColumnCount>;
using ContactView = std::array<std::string_view, book::ColumnCount>;

// The seven fields as UTF-8 text, as a reader maps them before they are made to fit.
using ContactText = std::array<std::string, book::ColumnCount>;

namespace column {
inline constexpr std::size_t Name = 0;
inline constexpr std::size_t Firstname = 1;
inline constexpr std::size_t Alias = 2;
inline constexpr std::size_t Address = 3;
inline constexpr std::size_t Telephone = 4;
inline constexpr std::size_t Email = book::EmailColumn;
inline constexpr std::size_t Note = 6;
} // namespace column

// vCard 4.0 may write an e-mail address as a mailto: link.
std::string_view withoutMailto(std::string_view email);

// All seven fields empty: such a row stands for the empty list and is not exchanged.
bool isBlank(const ContactView& contact);

struct ReadResult {
    std::vector<ContactFields> contacts; // in file order
    std::size_t changedCount = 0;        // contacts changed to fit the address file
    std::vector<std::string> skipped;    // why, one each: "card 7 (line 52) has no END:VCARD"
    std::string fault;                   // set when the file is not of its kind at all; nothing is read
};

// One short line for a person: "12 contacts added, 2 changed to fit the address list, 1 skipped: ...".
std::string summaryText(const ReadResult& result);

// Gathers what a reader finds into a ReadResult.
class ContactCollector {
public:
    // Makes the fields fit the address file; place names the contact in a reason ("card 3 (line 12)").
    void add(const ContactText& text, std::string_view place);
    void skip(std::string reason);
    void fail(std::string fault);
    ReadResult take() { return std::move(result_); }

private:
    ReadResult result_;
};

} // namespace exchange
