#include "files/ReadFile.h"

#include "files/Descriptor.h"
#include "files/FileError.h"
#include "files/windows/Win32.h"

#include <algorithm>
#include <cerrno>

namespace files {

namespace {

// One byte more than the size, so that seeing the end takes no second buffer; a file that grows while
// it is read makes the buffer grow with it.
std::string readAll(const Descriptor& descriptor, std::size_t expectedSize,
                    const std::filesystem::path& file) {
    constexpr std::size_t LargestRead = std::size_t{1} << 30; // a read's length is 32 bits
    std::string bytes(expectedSize + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            bytes.resize(bytes.size() * 2);
        }
        DWORD got = 0;
        if (!::ReadFile(handleOf(descriptor), bytes.data() + filled,
                        static_cast<DWORD>(std::min(bytes.size() - filled, LargestRead)), &got, nullptr)) {
            throwLastError(file);
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    bytes.resize(filled);
    return bytes;
}

} // namespace

std::optional<FileContents> readFile(const std::filesystem::path& file) {
    // Others may read it meanwhile but not write it; a program that replaces it is not held up.
    const Descriptor descriptor =
        descriptorOf(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!descriptor.isOpen()) {
        const DWORD error = ::GetLastError();
        if (meansNoFile(error)) {
            return std::nullopt;
        }
        throwOpenError(error, file);
    }
    // A device of that name (NUL, CON, COM1) or a pipe is refused, as on POSIX.
    if (::GetFileType(handleOf(descriptor)) != FILE_TYPE_DISK) {
        throw FileError(EINVAL, file);
    }
    const FileStatus status = statusOfHandle(handleOf(descriptor), file);
    FileContents contents{readAll(descriptor, static_cast<std::size_t>(status.size), file), status};
    return contents;
}

} // namespace files
