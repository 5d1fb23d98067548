#include "settings/AtomicFile.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace settings {
namespace {

[[noreturn]] void throwLastError(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }

    // Some file systems report write errors only here, so its result counts.
    void close(const std::string& what) {
        if (::close(std::exchange(fd_, -1)) != 0) {
            throwLastError(what);
        }
    }

private:
    int fd_;
};

// The temporary file beside the target, removed again unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target)
        : path_((target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string()),
          descriptor_(::mkstemp(path_.data())) {
        if (descriptor_.get() < 0) {
            throwLastError("create a temporary file beside " + target.string());
        }
    }
    ~TemporaryFile() {
        if (!renamed_) {
            ::unlink(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void writeAndSync(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t written = ::write(descriptor_.get(), bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written < 0) {
                throwLastError("write " + path_);
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        if (::fsync(descriptor_.get()) != 0) {
            throwLastError("sync " + path_);
        }
        descriptor_.close("close " + path_);
    }

    void renameTo(const std::filesystem::path& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            throwLastError("rename " + path_ + " to " + target.string());
        }
        renamed_ = true;
    }

private:
    std::string path_;
    FileDescriptor descriptor_;
    bool renamed_ = false;
};

// Makes the rename itself survive a crash.
void syncFolder(const std::filesystem::path& folder) {
    FileDescriptor descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (descriptor.get() < 0) {
        throwLastError("open " + folder.string());
    }
    if (::fsync(descriptor.get()) != 0) {
        throwLastError("sync " + folder.string());
    }
    descriptor.close("close " + folder.string());
}

} // namespace

std::optional<std::string> readFileIfExists(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
        return std::nullopt;
    }
    if (fd < 0) {
        throwLastError("open " + file.string());
    }
    FileDescriptor descriptor(fd);
    std::string bytes;
    std::array<char, 8192> buffer{};
    for (;;) {
        const ssize_t count = ::read(descriptor.get(), buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throwLastError("read " + file.string());
        }
        if (count == 0) {
            return bytes;
        }
        bytes.append(buffer.data(), static_cast<std::size_t>(count));
    }
}

void replaceFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    const std::filesystem::path target = file.has_parent_path() ? file : "." / file;
    std::filesystem::create_directories(target.parent_path());
    TemporaryFile temporary(target);
    temporary.writeAndSync(bytes);
    temporary.renameTo(target);
    syncFolder(target.parent_path());
}

} // namespace settings
