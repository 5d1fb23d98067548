#pragma once

#include "FileStatus.h"

#include <filesystem>
#include <optional>
#include <string>

namespace files {

struct FileContents {
    std::string bytes;
    FileStatus status; // of the file as it was read
};

// A regular file's bytes in one buffer of its size. Nothing when there is no file of that name;
// FileError for a folder, a device or a pipe in its place (they are refused without waiting) and for
// any failing call.
std::optional<FileContents> readFile(const std::filesystem::path& file);

} // namespace files
