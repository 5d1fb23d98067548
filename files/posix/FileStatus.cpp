#include "files/FileStatus.h"

#include "files/FileError.h"
#include "files/posix/StatusFrom.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

FileStatus statusFrom(const struct stat& info) {
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
        return statusFrom(info);
    }
    if (errno == ENOENT || errno == ENOTDIR) {
        return std::nullopt;
    }
    throwLastError(file);
}

bool isWriteProtected(const std::filesystem::path& file) {
    return ::access(file.c_str(), W_OK) != 0 && errno == EACCES;
}

} // namespace files
