#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>

struct stat;

namespace files {

// What tells one version of a file from another: its identity on the disk, its size and the time of
// its last change, kept as the system gives them so that no date overflows.
struct FileStatus {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    static FileStatus of(const struct stat& info);
    bool operator==(const FileStatus&) const = default;
};

// Nothing when there is no file of that name; FileError for any other failure.
std::optional<FileStatus> statusOf(const std::filesystem::path& file);

} // namespace files
