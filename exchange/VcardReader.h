#pragma once

#include "Contacts.h"

#include <string_view>

namespace exchange {

// Every card of a vCard file (2.1, 3.0 or 4.0) as a contact; a card without its END:VCARD is skipped.
ReadResult readVcards(std::string_view bytes);

} // namespace exchange
