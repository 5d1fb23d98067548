#include "files/AppendFile.h"

#include "files/FileError.h"
#include "files/FolderEntries.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

AppendFile::AppendFile(std::filesystem::path file) : file_(std::move(file)) {
    const bool existed = ::access(file_.c_str(), F_OK) == 0;
    descriptor_ = Descriptor(::open(file_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
    struct stat info {};
    if (!descriptor_.isOpen() || ::fstat(descriptor_.get(), &info) != 0) {
        throwLastError(file_);
    }
    if (!S_ISREG(info.st_mode)) {
        throw FileError(EINVAL, file_);
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
    if (!existed) {
        syncFolder(file_.has_parent_path() ? file_.parent_path() : ".");
    }
}

void AppendFile::append(std::string_view bytes) {
    writeAll(descriptor_, bytes, file_);
    size_ += bytes.size();
    if (::fdatasync(descriptor_.get()) != 0) {
        throwLastError(file_);
    }
}

void AppendFile::truncate(std::uint64_t size) {
    if (::ftruncate(descriptor_.get(), static_cast<off_t>(size)) != 0 ||
        ::fdatasync(descriptor_.get()) != 0) {
        throwLastError(file_);
    }
    size_ = size;
}

} // namespace files
