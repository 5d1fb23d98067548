#include "files/AppendFile.h"

#include "files/FileError.h"
#include "files/windows/Win32.h"

#include <cerrno>

namespace files {

namespace {

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

void refuseAllButFiles(const Descriptor& descriptor, const std::filesystem::path& file) {
    if (::GetFileType(handleOf(descriptor)) != FILE_TYPE_DISK) {
        throw FileError(EINVAL, file);
    }
}

// Where the next bytes go: the file's end, or the given offset from its start.
std::uint64_t moveTo(const Descriptor& descriptor, std::uint64_t offset, DWORD from,
                     const std::filesystem::path& file) {
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(offset);
    LARGE_INTEGER position{};
    if (!::SetFilePointerEx(handleOf(descriptor), distance, &position, from)) {
        throwLastError(file);
    }
    return static_cast<std::uint64_t>(position.QuadPart);
}

} // namespace

// Held open for reading only, for the lock and the file's identity; others may read, write and remove
// it meanwhile. NTFS journals a new name, and the flush of the file's first addition takes it to the
// disk.
AppendFile::AppendFile(std::filesystem::path file) : file_(std::move(file)) {
    descriptor_ = descriptorOf(::CreateFileW(file_.c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!descriptor_.isOpen()) {
        throwOpenError(::GetLastError(), file_);
    }
    refuseAllButFiles(descriptor_, file_);
    size_ = statusOfHandle(handleOf(descriptor_), file_).size;
}

// Open for writing only while it writes, as on POSIX; others may go on reading meanwhile.
Descriptor AppendFile::openForWriting() const {
    Descriptor writing = descriptorOf(::CreateFileW(file_.c_str(), GENERIC_WRITE, ShareAll, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!writing.isOpen()) {
        throwOpenError(::GetLastError(), file_);
    }
    const FileStatus held = status();
    const FileStatus named = statusOfHandle(handleOf(writing), file_);
    if (held.device != named.device || held.inode != named.inode) {
        throw FileError(ENOENT, file_); // the file held is no longer under its name
    }
    return writing;
}

void AppendFile::append(std::string_view bytes) {
    Descriptor writing = openForWriting();
    moveTo(writing, 0, FILE_END, file_);
    writeAll(writing, bytes, file_);
    size_ += bytes.size();
    flushToDisk(writing, file_);
    writing.close(file_);
}

void AppendFile::truncate(std::uint64_t size) {
    Descriptor writing = openForWriting();
    moveTo(writing, size, FILE_BEGIN, file_);
    if (!::SetEndOfFile(handleOf(writing))) {
        throwLastError(file_);
    }
    flushToDisk(writing, file_);
    size_ = size;
    writing.close(file_);
}

FileStatus AppendFile::status() const {
    return statusOfHandle(handleOf(descriptor_), file_);
}

bool AppendFile::tryLock() {
    return lockWholeFile(handleOf(descriptor_), true, false, file_);
}

} // namespace files
