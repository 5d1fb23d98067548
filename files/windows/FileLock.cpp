#include "files/FileLock.h"

#include "files/FileError.h"
#include "files/windows/Win32.h"

namespace files {

// Windows locks open files only, and a folder cannot be opened so: its lock is on a hidden file in it,
// made on first use and left there for the next.
std::optional<FileLock> FileLock::lock(const std::filesystem::path& file, Kind kind, bool wait) {
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::filesystem::path locked = folder ? file / FolderLockFileName : file;
    Descriptor descriptor = descriptorOf(
        ::CreateFileW(locked.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, folder ? OPEN_ALWAYS : OPEN_EXISTING,
                      folder ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!descriptor.isOpen()) {
        throwOpenError(::GetLastError(), locked);
    }
    if (!lockWholeFile(handleOf(descriptor), kind == Kind::Exclusive, wait, file)) {
        return std::nullopt;
    }
    return FileLock(std::move(descriptor));
}

} // namespace files
