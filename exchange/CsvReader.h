#pragma once

#include "Contacts.h"

#include <string_view>

namespace exchange {

// Every row of a CSV file below its heading line as a contact; the columns are found by their headings.
ReadResult readCsv(std::string_view bytes);

} // namespace exchange
