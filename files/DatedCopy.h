#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace files {

// Keeps the file as it is under another name in its folder, "<stem> YYYY-MM-DD HH-MM-SS<extension>" in
// local time, with " (2)", " (3)", ... where that name is taken: a hard link costs nothing and keeps
// even a file we may not read; a copy serves where links are not possible. Returns the name.
std::string keepDatedCopy(const std::filesystem::path& file, std::string_view stem,
                          std::string_view extension);

} // namespace files
