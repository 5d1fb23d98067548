#include "files/ReadFile.h"

#include "files/Descriptor.h"
#include "files/FileError.h"
#include "files/posix/StatusFrom.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

// Refuses anything but a regular file.
void checkRegular(const struct stat& info, const std::filesystem::path& file) {
    if (!S_ISREG(info.st_mode)) {
        throw FileError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, file);
    }
}

// One byte more than the size, so that seeing the end takes no second buffer; a file that grows while
// it is read makes the buffer grow with it.
std::string readAll(const Descriptor& descriptor, std::size_t expectedSize,
                    const std::filesystem::path& file) {
    std::string bytes(expectedSize + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            bytes.resize(bytes.size() * 2);
        }
        const ssize_t got = ::read(descriptor.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throwLastError(file);
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

} // namespace

std::optional<FileContents> readFile(const std::filesystem::path& file) {
    // O_NONBLOCK: a pipe of that name must not hang the caller.
    const Descriptor descriptor(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!descriptor.isOpen() && (errno == ENOENT || errno == ENOTDIR)) {
        return std::nullopt;
    }
    struct stat info {};
    if (!descriptor.isOpen() || ::fstat(descriptor.get(), &info) != 0) {
        throwLastError(file);
    }
    checkRegular(info, file);
    FileContents contents{readAll(descriptor, static_cast<std::size_t>(info.st_size), file),
                          statusFrom(info)};
    return contents;
}

} // namespace files
