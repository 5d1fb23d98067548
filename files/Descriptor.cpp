#include "Descriptor.h"

#include "FileError.h"

#include <cerrno>
#include <unistd.h>

namespace files {

Descriptor::~Descriptor() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

void Descriptor::close(const std::filesystem::path& file) {
    // The descriptor is gone whatever close() answers; retrying could close another thread's file.
    if (::close(std::exchange(descriptor_, -1)) != 0) {
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

} // namespace files
