#include "files/FolderEntries.h"

#include "files/FileError.h"
#include "files/windows/Win32.h"

#include <cerrno>

namespace files {

std::optional<Descriptor> createExclusively(const std::filesystem::path& file, unsigned mode) {
    const DWORD attributes = (mode & 0200U) != 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
    Descriptor descriptor = descriptorOf(::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                       CREATE_NEW, attributes, nullptr));
    if (!descriptor.isOpen()) {
        const DWORD error = ::GetLastError();
        // A folder of that name is "access denied" to Windows; to POSIX any taken name is EEXIST.
        if (errnoOf(error) == EEXIST || (error == ERROR_ACCESS_DENIED && nameTaken(file))) {
            return std::nullopt;
        }
        throwWindowsError(error, file);
    }
    return descriptor;
}

unsigned permissionsOf(const std::filesystem::path& file) {
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        throwLastError(file);
    }
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444U : 0666U;
}

bool linkExclusively(const std::filesystem::path& file, const std::filesystem::path& name) {
    if (::CreateHardLinkW(name.c_str(), file.c_str(), nullptr)) {
        return true;
    }
    const DWORD error = ::GetLastError();
    if (errnoOf(error) == EEXIST) {
        return false;
    }
    throwWindowsError(error, name);
}

// POSIX removes a name whatever the file's permissions; Windows first wants the read-only attribute
// gone, which comes back when the removal fails all the same.
void removeFile(const std::filesystem::path& file) {
    if (::DeleteFileW(file.c_str())) {
        return;
    }
    DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == FILE_ATTRIBUTE_READONLY &&
        ::SetFileAttributesW(file.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY})) {
        if (::DeleteFileW(file.c_str())) {
            return;
        }
        error = ::GetLastError();
        ::SetFileAttributesW(file.c_str(), attributes);
    }
    if (errnoOf(error) != ENOENT) {
        throwOpenError(error, file);
    }
}

void syncFolder(const std::filesystem::path&) {}

} // namespace files
