#pragma once

#include "Contacts.h"
#include "book/AddressBook.h"

#include <filesystem>
#include <vector>

// The address list and contact files: what the command line and "open with" do with them.
namespace exchange {

// The contacts of a vCard or CSV file (by its name's ending), made to fit the address file. A name
// with another ending gives a fault; a file that cannot be read raises book::IoError.
ReadResult readContactsFile(const std::filesystem::path& file);

// The contacts as records of the list, in file order.
std::vector<book::Record> toRecords(const ReadResult& contacts);

// The whole list as vCard or CSV (by the name's ending), saved the way the list is: complete or not at
// all. Returns how many contacts were written; raises book::IoError, or std::invalid_argument for a
// name of neither kind.
std::size_t writeListFile(const book::AddressTable& table, const std::filesystem::path& file);

} // namespace exchange
