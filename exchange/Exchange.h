#pragma once

#include "Contacts.h"

#include <optional>
#include <string>
#include <string_view>

// Contacts in and out of the address list, by the kind of file.
namespace exchange {

enum class FileKind { Vcard, Csv };

// By the name's ending, in any case: .vcf and .vcard are vCard, .csv is CSV.
std::optional<FileKind> fileKindOf(std::string_view fileName);

ReadResult readContacts(FileKind kind, std::string_view bytes);

// What an exported file starts with, before its first contact (nothing for vCard).
void appendExportStart(FileKind kind, std::string& out);

// Appends one contact; false when it is blank and so not written.
bool appendExportContact(FileKind kind, std::string& out, const ContactView& contact);

} // namespace exchange
