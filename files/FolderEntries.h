#pragma once

#include "Descriptor.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace files {

// Creates the file only if no entry of that name exists, with the mode less the user's umask (on
// Windows a mode without the owner's write bit makes it read-only). Nothing when the name is taken;
// FileError for any other failure.
std::optional<Descriptor> createExclusively(const std::filesystem::path& file, unsigned mode = 0666);

// The file's mode as createExclusively takes it (on Windows 0444 for a read-only file, else 0666).
unsigned permissionsOf(const std::filesystem::path& file);

// A new, empty file of a fresh name in the folder: prefix, random letters, suffix.
struct CreatedFile {
    std::filesystem::path path;
    Descriptor descriptor;
};
CreatedFile createUniquelyNamed(const std::filesystem::path& folder, const std::filesystem::path& prefix,
                                std::string_view suffix);

// A second name for the file (a hard link). False when the name is taken.
bool linkExclusively(const std::filesystem::path& file, const std::filesystem::path& name);

// A copy under a new name with the file's mode, created exclusively and synced; false when the name is
// taken.
bool copyExclusively(const std::filesystem::path& file, const std::filesystem::path& copy);

// Removes the file, read-only or not; a file that is already gone counts as removed.
void removeFile(const std::filesystem::path& file);

// Syncs the folder's entries, so that a rename or a new file in it survives a crash. Windows has no
// such call and needs none: NTFS journals the entries, and a replacement is moved with write-through.
void syncFolder(const std::filesystem::path& folder);

} // namespace files
