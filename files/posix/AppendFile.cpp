#include "files/AppendFile.h"

#include "files/FileError.h"
#include "files/FolderEntries.h"
#include "files/posix/StatusFrom.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

struct stat statusOfDescriptor(const Descriptor& descriptor, const std::filesystem::path& file) {
    struct stat info {};
    if (::fstat(descriptor.get(), &info) != 0) {
        throwLastError(file);
    }
    return info;
}

} // namespace

AppendFile::AppendFile(std::filesystem::path file) : file_(std::move(file)) {
    const bool existed = ::access(file_.c_str(), F_OK) == 0;
    descriptor_ = Descriptor(::open(file_.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666));
    if (!descriptor_.isOpen()) {
        throwLastError(file_);
    }
    const struct stat info = statusOfDescriptor(descriptor_, file_);
    if (!S_ISREG(info.st_mode)) {
        throw FileError(EINVAL, file_);
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
    if (!existed) {
        syncFolder(file_.has_parent_path() ? file_.parent_path() : ".");
    }
}

// Open for writing only while it writes: a file held open for writing would keep its file system from
// being made read-only.
Descriptor AppendFile::openForWriting() const {
    Descriptor writing(::open(file_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (!writing.isOpen()) {
        throwLastError(file_);
    }
    const struct stat held = statusOfDescriptor(descriptor_, file_);
    const struct stat named = statusOfDescriptor(writing, file_);
    if (held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
        throw FileError(ESTALE, file_); // another file took the name since
    }
    return writing;
}

void AppendFile::append(std::string_view bytes) {
    Descriptor writing = openForWriting();
    writeAll(writing, bytes, file_);
    size_ += bytes.size();
    if (::fdatasync(writing.get()) != 0) {
        throwLastError(file_);
    }
    writing.close(file_);
}

void AppendFile::truncate(std::uint64_t size) {
    Descriptor writing = openForWriting();
    if (::ftruncate(writing.get(), static_cast<off_t>(size)) != 0 || ::fdatasync(writing.get()) != 0) {
        throwLastError(file_);
    }
    size_ = size;
    writing.close(file_);
}

FileStatus AppendFile::status() const {
    return statusFrom(statusOfDescriptor(descriptor_, file_));
}

bool AppendFile::tryLock() {
    while (::flock(descriptor_.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return false;
        }
        if (errno != EINTR) {
            throwLastError(file_);
        }
    }
    return true;
}

} // namespace files
