#pragma once

#include "session/ListSession.h"

#include <filesystem>
#include <iosfwd>

// The command line's work without a window: the summary or the count goes to out, a failure to err
// with exit status 1.

// Adds the file's contacts to the list, in key order of the search field of the last run, and saves it.
// Refused while a window has the list open: every window holds a shared lock on the program's folder, and
// this takes it exclusively, so a window cannot start during an import either.
int importContacts(const session::Places& places, const std::filesystem::path& file, std::ostream& out,
                   std::ostream& err);

// Writes the whole list, as the next window would show it, as vCard or CSV by the file's ending.
int exportContacts(const session::Places& places, const std::filesystem::path& file, std::ostream& out,
                   std::ostream& err);
