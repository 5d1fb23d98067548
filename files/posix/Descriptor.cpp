#include "files/Descriptor.h"

#include "files/FileError.h"

#include <cerrno>
#include <unistd.h>

namespace files {

Descriptor::~Descriptor() {
    if (isOpen()) {
        ::close(handle_);
    }
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (isOpen()) {
            ::close(handle_);
        }
        handle_ = std::exchange(other.handle_, NoHandle);
    }
    return *this;
}

void Descriptor::close(const std::filesystem::path& file) {
    // The descriptor is gone whatever close() answers; retrying could close another thread's file.
    if (::close(std::exchange(handle_, NoHandle)) != 0) {
        throwLastError(file);
    }
}

void writeAll(const Descriptor& descriptor, std::string_view bytes, const std::filesystem::path& file) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor.get(), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            throwLastError(file);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void flushToDisk(const Descriptor& descriptor, const std::filesystem::path& file) {
    if (::fsync(descriptor.get()) != 0) {
        throwLastError(file);
    }
}

} // namespace files
