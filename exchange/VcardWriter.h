#pragma once

#include "Contacts.h"

#include <string>
#include <string_view>

namespace exchange {

// Appends the contact as one vCard 4.0 (UTF-8, CRLF, folded at 75 octets). A contact whose fields
// are all empty is not written: the result is false then.
bool appendVcard(std::string& out, const ContactView& contact);

// The same as vCard 3.0 with the UID, for an address book on a server: 3.0 is the version servers
// and phones take most widely, and it requires N.
bool appendServerVcard(std::string& out, const ContactView& contact, std::string_view uid);

// The pieces the writers and the sync's card patching share.

// UTF-8 text as a vCard text value: \ , ; escaped, line breaks as \n.
std::string escapedText(std::string_view utf8);

// What FN says for a contact: "Firstname Name", else the alias, the e-mail address or the first
// number (Windows-1252, empty when the contact has none of them).
std::string displayedName(const ContactView& contact);

// Appends a content line and its CRLF, folded at 75 octets, never inside a UTF-8 character.
void appendFolded(std::string& out, std::string_view line);

} // namespace exchange
