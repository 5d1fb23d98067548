#pragma once

// What the Windows implementation of the file layer shares: handles, errors and file status.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "files/Descriptor.h"
#include "files/FileStatus.h"

#include <filesystem>

namespace files {

// What CreateFileW gave, failure included.
Descriptor descriptorOf(HANDLE handle);
inline HANDLE handleOf(const Descriptor& descriptor) {
    return descriptor.get();
}

// The errno number for a Windows error, so that the error box reads as it does on POSIX.
int errnoOf(DWORD error);
// Whether the error says there is no file of that name (ENOENT or ENOTDIR, as on POSIX).
bool meansNoFile(DWORD error);
[[noreturn]] void throwWindowsError(DWORD error, const std::filesystem::path& file);
// For a file that could not be opened: Windows answers a folder in its place with "access denied",
// POSIX with EISDIR, which tells the user more.
[[noreturn]] void throwOpenError(DWORD error, const std::filesystem::path& file);

// Whether the name is taken by anything, a file or a folder.
bool nameTaken(const std::filesystem::path& file);

FileStatus statusOfHandle(HANDLE handle, const std::filesystem::path& file);

// A lock for the whole file, as flock() gives: Windows keeps everyone else, other handles of our own
// included, from locked bytes, so the lock is on one byte far past any file's end. False when another
// holds a lock in the way and the call was not to wait.
bool lockWholeFile(HANDLE handle, bool exclusive, bool wait, const std::filesystem::path& file);

} // namespace files
