#pragma once

#include "Contacts.h"

#include <string>

namespace exchange {

// The start of a CSV file: a UTF-8 byte order mark and the seven column headings.
void appendCsvHeading(std::string& out);

// Appends the contact as one CSV line. A contact whose fields are all empty is not written: the
// result is false then.
bool appendCsvRow(std::string& out, const ContactView& contact);

} // namespace exchange
