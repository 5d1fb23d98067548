#include "files/FileStatus.h"

#include "files/FileError.h"
#include "files/windows/Win32.h"

#include <cerrno>

namespace files {

namespace {

std::uint64_t joined(DWORD high, DWORD low) {
    return (std::uint64_t{high} << 32) | low;
}

FileStatus statusFrom(const BY_HANDLE_FILE_INFORMATION& info) {
    // The time counts 100 ns since 1601: seconds and nanoseconds since 1970, as on POSIX.
    constexpr std::uint64_t TicksPerSecond = 10'000'000;
    constexpr std::int64_t SecondsFrom1601To1970 = 11'644'473'600;
    const std::uint64_t ticks =
        joined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    return FileStatus{
        .device = info.dwVolumeSerialNumber,
        .inode = joined(info.nFileIndexHigh, info.nFileIndexLow),
        .size = joined(info.nFileSizeHigh, info.nFileSizeLow),
        .modifiedSeconds = static_cast<std::int64_t>(ticks / TicksPerSecond) - SecondsFrom1601To1970,
        .modifiedNanoseconds = static_cast<std::int64_t>(ticks % TicksPerSecond) * 100,
    };
}

} // namespace

FileStatus statusOfHandle(HANDLE handle, const std::filesystem::path& file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        throwLastError(file);
    }
    return statusFrom(info);
}

bool lockWholeFile(HANDLE handle, bool exclusive, bool wait, const std::filesystem::path& file) {
    const DWORD flags = (exclusive ? static_cast<DWORD>(LOCKFILE_EXCLUSIVE_LOCK) : 0U) |
                        (wait ? 0U : static_cast<DWORD>(LOCKFILE_FAIL_IMMEDIATELY));
    OVERLAPPED farPastTheEnd{};
    farPastTheEnd.OffsetHigh = 0x40000000; // 2^62
    if (!::LockFileEx(handle, flags, 0, 1, 0, &farPastTheEnd)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_LOCK_VIOLATION && !wait) {
            return false;
        }
        throwWindowsError(error, file);
    }
    return true;
}

std::optional<FileStatus> statusOf(const std::filesystem::path& file) {
    // Only the attributes are asked for, so no program that has the file open stands in the way; a
    // folder answers too, as it does to stat().
    const Descriptor descriptor = descriptorOf(::CreateFileW(
        file.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!descriptor.isOpen()) {
        const DWORD error = ::GetLastError();
        if (meansNoFile(error)) {
            return std::nullopt;
        }
        throwWindowsError(error, file);
    }
    return statusOfHandle(handleOf(descriptor), file);
}

bool isWriteProtected(const std::filesystem::path& file) {
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0; // on a folder it means something else
}

} // namespace files
