#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace files {

// What tells one version of a file from another: its identity on the disk (device and inode; on Windows
// the volume's serial number and the file's index), its size and the time of its last change, kept as
// the system gives them so that no date overflows.
struct FileStatus {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const FileStatus&) const = default;
};

// Nothing when there is no file of that name; FileError for any other failure.
std::optional<FileStatus> statusOf(const std::filesystem::path& file);

// True when the file is there and refuses to be written: no write permission on POSIX, the read-only
// attribute on Windows.
bool isWriteProtected(const std::filesystem::path& file);

} // namespace files
