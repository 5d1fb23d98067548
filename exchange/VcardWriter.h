#pragma once

#include "Contacts.h"

#include <string>

namespace exchange {

// Appends the contact as one vCard 4.0 (UTF-8, CRLF, folded at 75 octets). A contact whose fields
// are all empty is not written: the result is false then.
bool appendVcard(std::string& out, const ContactView& contact);

} // namespace exchange
