#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Whole-file access for small files that must never be seen half-written. Both functions open and
// close the file before they return and report failures as std::system_error.
namespace settings {

// The file's bytes; nothing when it does not exist.
std::optional<std::string> readFileIfExists(const std::filesystem::path& file);

// Writes a temporary file in the same folder, syncs it, renames it over the file and syncs the folder,
// so the file holds either the old or the new bytes. Creates missing folders.
void replaceFileAtomically(const std::filesystem::path& file, std::string_view bytes);

} // namespace settings
