#pragma once

#include <filesystem>
#include <iosfwd>

// The command line's work without a window: the summary or the count goes to out, a failure to err
// with exit status 1.
struct ListPlaces {
    std::filesystem::path programFolder; // holds "Adressen.txt"
    std::filesystem::path settingsFile;  // its "combo" is the key column the contacts go in by
};

// Adds the file's contacts to the list and saves it. Refused while a window has the list open: every
// window holds a shared lock on the program's folder, and this takes it exclusively, so a window
// cannot start during an import either.
int importContacts(const ListPlaces& places, const std::filesystem::path& file, std::ostream& out,
                   std::ostream& err);

// Writes the whole list as it is saved, as vCard or CSV by the file's ending.
int exportContacts(const ListPlaces& places, const std::filesystem::path& file, std::ostream& out,
                   std::ostream& err);
