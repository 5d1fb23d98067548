#pragma once

#include "Contacts.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

// Every card of a vCard file (2.1, 3.0 or 4.0) as a contact; a card without its END:VCARD is skipped.
ReadResult readVcards(std::string_view bytes);

// A property a field was read from: its content line, counted from 0 at the start of the text as
// ContentLineReader gives the lines, and the text it gave the field (UTF-8, before the fit).
struct FieldSource {
    std::size_t line;
    std::string text;
};
using FieldSources = std::array<std::vector<FieldSource>, book::ColumnCount>;

// Where each field of the first complete card comes from, in the order readVcards joins them, so that a
// field can be rewritten where the card holds it. All empty when there is no complete card.
FieldSources fieldSources(std::string_view bytes);

} // namespace exchange
