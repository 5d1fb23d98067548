#include "files/Descriptor.h"

#include "files/FileError.h"
#include "files/windows/Win32.h"

#include <algorithm>
#include <cerrno>

namespace files {

Descriptor descriptorOf(HANDLE handle) {
    return Descriptor(handle == INVALID_HANDLE_VALUE ? NoHandle : handle);
}

Descriptor::~Descriptor() {
    if (isOpen()) {
        ::CloseHandle(handle_);
    }
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (isOpen()) {
            ::CloseHandle(handle_);
        }
        handle_ = std::exchange(other.handle_, NoHandle);
    }
    return *this;
}

void Descriptor::close(const std::filesystem::path& file) {
    if (!::CloseHandle(std::exchange(handle_, NoHandle))) {
        throwLastError(file);
    }
}

void writeAll(const Descriptor& descriptor, std::string_view bytes, const std::filesystem::path& file) {
    constexpr std::size_t LargestWrite = std::size_t{1} << 30; // a write's length is 32 bits
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!::WriteFile(handleOf(descriptor), bytes.data(),
                         static_cast<DWORD>(std::min(bytes.size(), LargestWrite)), &written, nullptr)) {
            throwLastError(file);
        }
        if (written == 0) {
            throw FileError(EIO, file);
        }
        bytes.remove_prefix(written);
    }
}

void flushToDisk(const Descriptor& descriptor, const std::filesystem::path& file) {
    if (!::FlushFileBuffers(handleOf(descriptor))) {
        throwLastError(file);
    }
}

} // namespace files
