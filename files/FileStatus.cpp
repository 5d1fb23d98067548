#include "FileStatus.h"

#include "FileError.h"

#include <cerrno>
#include <sys/stat.h>

namespace files {

FileStatus FileStatus::of(const struct stat& info) {
    return FileStatus{
        .device = static_cast<std::uint64_t>(info.st_dev),
        .inode = static_cast<std::uint64_t>(info.st_ino),
        .size = static_cast<std::uint64_t>(info.st_size),
        .modifiedSeconds = static_cast<std::int64_t>(info.st_mtim.tv_sec),
        .modifiedNanoseconds = static_cast<std::int64_t>(info.st_mtim.tv_nsec),
    };
}

std::optional<FileStatus> statusOf(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0) {
        return FileStatus::of(info);
    }
    if (errno == ENOENT || errno == ENOTDIR) {
        return std::nullopt;
    }
    throwLastError(file);
}

} // namespace files
