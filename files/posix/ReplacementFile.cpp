#include "files/ReplacementFile.h"

#include "files/FileError.h"
#include "files/FolderEntries.h"
#include "files/posix/StatusFrom.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace files {

// The old file's mode, owner and group go to its replacement; its owner can always read and write it,
// so that what was saved can be read back. Only root may give a file away, and a user only to groups of
// their own: what cannot be set stays the user's, as for a new file.
void ReplacementFile::takeOverAttributes() {
    struct stat old {};
    if (::stat(target_.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) {
        return; // a new file keeps what the umask gave it
    }
    if (::fchown(descriptor_.get(), old.st_uid, old.st_gid) != 0 && errno != EPERM) {
        throwLastError(target_);
    }
    if (::fchmod(descriptor_.get(), (old.st_mode & 07777) | S_IRUSR | S_IWUSR) != 0) {
        throwLastError(target_);
    }
}

void ReplacementFile::discardTemporary() {
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

void ReplacementFile::write(std::span<const std::string_view> pieces) {
    std::vector<iovec> batch;
    batch.reserve(std::min<std::size_t>(pieces.size(), IOV_MAX));
    while (!pieces.empty()) {
        batch.clear();
        for (const std::string_view piece : pieces.first(std::min<std::size_t>(pieces.size(), IOV_MAX))) {
            batch.push_back({const_cast<char*>(piece.data()), piece.size()});
        }
        pieces = pieces.subspan(batch.size());
        // A short write leaves the rest of the batch: skip what went out and hand over the rest.
        for (iovec* next = batch.data(); next != batch.data() + batch.size();) {
            const int count = static_cast<int>(batch.data() + batch.size() - next);
            ssize_t written = ::writev(descriptor_.get(), next, count);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written < 0) {
                throwLastError(target_);
            }
            while (next != batch.data() + batch.size() &&
                   static_cast<std::size_t>(written) >= next->iov_len) {
                written -= static_cast<ssize_t>(next->iov_len);
                ++next;
            }
            if (written > 0) {
                next->iov_base = static_cast<char*>(next->iov_base) + written;
                next->iov_len -= static_cast<std::size_t>(written);
            }
        }
    }
}

FileStatus ReplacementFile::finish() {
    struct stat info {};
    if (::fsync(descriptor_.get()) != 0 || ::fstat(descriptor_.get(), &info) != 0) {
        throwLastError(target_);
    }
    descriptor_.close(target_);
    return statusFrom(info);
}

void ReplacementFile::putInPlace() {
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        throwLastError(target_);
    }
    temporary_.clear();
    syncFolder(target_.has_parent_path() ? target_.parent_path() : ".");
}

} // namespace files
