#include "files/FileLock.h"

#include "files/FileError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace files {

std::optional<FileLock> FileLock::lock(const std::filesystem::path& file, Kind kind, bool wait) {
    Descriptor descriptor(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!descriptor.isOpen()) {
        throwLastError(file);
    }
    const int operation = (kind == Kind::Shared ? LOCK_SH : LOCK_EX) | (wait ? 0 : LOCK_NB);
    while (::flock(descriptor.get(), operation) != 0) {
        if (errno == EWOULDBLOCK && !wait) {
            return std::nullopt;
        }
        if (errno != EINTR) {
            throwLastError(file);
        }
    }
    return FileLock(std::move(descriptor));
}

} // namespace files
