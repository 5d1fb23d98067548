#include "AddressFile.h"

#ifdef _WIN32
#error "AddressFile uses POSIX file calls; a Windows build needs its own file layer here."
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace book {

namespace {

constexpr char FieldSeparator = '|';
constexpr std::string_view LineEnd = "\r\n";
constexpr char EndOfFile = 26;
constexpr std::size_t WriteChunk = 1 << 20;

[[noreturn]] void throwIoError(int error, const std::filesystem::path& file) {
    throw IoError("E/A-Fehler " + std::to_string(error) + ": " + std::strerror(error) + ": " +
                  file.filename().string());
}

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~FileDescriptor() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    FileDescriptor(FileDescriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor& operator=(FileDescriptor&&) = delete;

    int get() const { return descriptor_; }

    // Closing can report a late write error (network folders), so it is checked where it matters.
    bool close() {
        const int result = ::close(std::exchange(descriptor_, -1));
        return result == 0;
    }

private:
    int descriptor_;
};

// Regular files only: O_NONBLOCK keeps a FIFO of that name from hanging the start.
FileDescriptor openForReading(const std::filesystem::path& file, struct stat& info) {
    FileDescriptor descriptor(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (descriptor.get() < 0 || ::fstat(descriptor.get(), &info) != 0) {
        throwIoError(errno, file);
    }
    if (!S_ISREG(info.st_mode)) {
        throwIoError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, file);
    }
    return descriptor;
}

std::string readAll(const FileDescriptor& descriptor, std::size_t expectedSize,
                    const std::filesystem::path& file) {
    // One byte more than expected, so that the read seeing the end needs no second buffer.
    std::string bytes(expectedSize + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            bytes.resize(bytes.size() * 2);
        }
        const ssize_t got = ::read(descriptor.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwIoError(errno, file);
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

void writeAll(const FileDescriptor& descriptor, std::string_view bytes, const std::filesystem::path& file) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor.get(), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwIoError(errno, file);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void syncAndClose(FileDescriptor& descriptor, const std::filesystem::path& file) {
    if (::fsync(descriptor.get()) != 0 || !descriptor.close()) {
        throwIoError(errno, file);
    }
}

Record recordFromLine(std::string_view line) {
    std::array<std::string_view, ColumnCount> fields{};
    for (std::string_view& field : fields) {
        const std::size_t separator = line.find(FieldSeparator);
        field = line.substr(0, separator);
        if (separator == std::string_view::npos) {
            break;
        }
        line.remove_prefix(separator + 1);
    }
    static_assert(ColumnCount == 7);
    return Record{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]};
}

std::size_t lineLength(const Record& record) {
    std::size_t length = ColumnCount - 1 + LineEnd.size();
    for (int column = 0; column < ColumnCount; ++column) {
        length += record.field(column).size();
    }
    return length;
}

void appendLine(std::string& text, const Record& record) {
    text.append(record.field(0));
    for (int column = 1; column < ColumnCount; ++column) {
        text.push_back(FieldSeparator);
        text.append(record.field(column));
    }
    text.append(LineEnd);
}

// The new file gets the old one's permissions, or the usual ones for a new file; we must always be
// able to read it back at the next start.
mode_t permissionsFor(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        return (info.st_mode & 07777) | S_IRUSR | S_IWUSR;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Written beside the target and renamed over it, so that the target is always either the old or the
// complete new file. Removed again unless it replaced the target.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target)
        : target_(target),
          name_((target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string()),
          descriptor_(::mkstemp(name_.data())) {
        if (descriptor_.get() < 0) {
            throwIoError(errno, target_);
        }
        if (::fchmod(descriptor_.get(), permissionsFor(target_)) != 0) {
            const int error = errno;
            ::unlink(name_.c_str());
            throwIoError(error, target_);
        }
    }
    ~TemporaryFile() {
        if (!name_.empty()) {
            ::unlink(name_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void write(std::string_view bytes) { writeAll(descriptor_, bytes, target_); }

    // Everything on the disk; returns what the file looks like now.
    struct stat finish() {
        struct stat info {};
        if (::fsync(descriptor_.get()) != 0 || ::fstat(descriptor_.get(), &info) != 0 ||
            !descriptor_.close()) {
            throwIoError(errno, target_);
        }
        return info;
    }

    void replaceTarget() {
        if (::rename(name_.c_str(), target_.c_str()) != 0) {
            throwIoError(errno, target_);
        }
        name_.clear();
    }

private:
    std::filesystem::path target_;
    std::string name_;
    FileDescriptor descriptor_;
};

void syncFolder(const std::filesystem::path& folder, const std::filesystem::path& file) {
    FileDescriptor descriptor(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (descriptor.get() < 0 || ::fsync(descriptor.get()) != 0) {
        throwIoError(errno, file);
    }
}

enum class CopyResult { Copied, NameTaken };

CopyResult copyFile(const std::filesystem::path& source, const std::filesystem::path& target) {
    struct stat info {};
    FileDescriptor from = openForReading(source, info);
    FileDescriptor to(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 07777));
    if (to.get() < 0) {
        if (errno == EEXIST) {
            return CopyResult::NameTaken;
        }
        throwIoError(errno, target);
    }
    try {
        writeAll(to, readAll(from, static_cast<std::size_t>(info.st_size), source), target);
        syncAndClose(to, target);
    } catch (const IoError&) {
        ::unlink(target.c_str());
        throw;
    }
    return CopyResult::Copied;
}

std::string keptCopyName(const std::tm& when, int attempt) {
    std::array<char, 32> stamp{};
    std::strftime(stamp.data(), stamp.size(), "%Y-%m-%d %H-%M-%S", &when);
    std::string name = "Adressen " + std::string(stamp.data());
    if (attempt > 1) {
        name += " (" + std::to_string(attempt) + ")";
    }
    return name + ".txt";
}

// Another program's version of the file, kept under a dated name: a hard link costs nothing and keeps
// even a file we may not read; a copy serves where links are not possible.
std::string keepVersion(const std::filesystem::path& file) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    for (int attempt = 1;; ++attempt) {
        const std::string name = keptCopyName(local, attempt);
        const std::filesystem::path kept = file.parent_path() / name;
        if (::link(file.c_str(), kept.c_str()) == 0) {
            return name;
        }
        if (errno != EEXIST && copyFile(file, kept) == CopyResult::Copied) {
            return name;
        }
    }
}

template <typename Fingerprint> Fingerprint fingerprintOf(const struct stat& info) {
    Fingerprint print;
    print.exists = true;
    print.size = static_cast<std::uintmax_t>(info.st_size);
    print.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    print.inode = static_cast<std::uint64_t>(info.st_ino);
    return print;
}

} // namespace

Record exampleRecord() {
    return Record{"Example",
                  "Michael",
                  "Mike",
                  "Examplestreet.15, New York",
                  "5551515 / 5551414",
                  "michael@example.com",
                  "Example"};
}

int parseAddressText(std::string_view bytes, AddressTable& table) {
    bytes = bytes.substr(0, bytes.find(EndOfFile));
    int lineCounter = 1;
    while (!bytes.empty()) {
        const std::size_t lineEnd = bytes.find('\r');
        ++lineCounter;
        table.setRecord(lineCounter - 1, recordFromLine(bytes.substr(0, lineEnd)));
        if (lineEnd == std::string_view::npos) {
            break;
        }
        bytes.remove_prefix(lineEnd + 1);
        if (!bytes.empty() && bytes.front() == '\n') {
            bytes.remove_prefix(1);
        }
    }
    return lineCounter;
}

std::string formatAddressText(const AddressTable& table) {
    std::size_t length = 0;
    for (int row = 1; row < table.rowCount(); ++row) {
        length += lineLength(table.record(row));
    }
    std::string text;
    text.reserve(length);
    for (int row = 1; row < table.rowCount(); ++row) {
        appendLine(text, table.record(row));
    }
    return text;
}

AddressFile::AddressFile(std::filesystem::path folder)
    : folder_(std::move(folder)), path_(folder_ / AddressFileName) {}

bool AddressFile::writeProbe() const {
    const std::filesystem::path probe = folder_ / ProbeFileName;
    FileDescriptor descriptor(::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (descriptor.get() < 0) {
        return true;
    }
    descriptor.close();
    ::unlink(probe.c_str());
    return false;
}

int AddressFile::load(AddressTable& table) {
    struct stat info {};
    if (::stat(path_.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
        loaded_ = Fingerprint{};
        table.setRecord(1, exampleRecord());
        return 2;
    }
    loaded_ = Fingerprint{.exists = true, .readable = false};
    const FileDescriptor descriptor = openForReading(path_, info);
    const std::string bytes = readAll(descriptor, static_cast<std::size_t>(info.st_size), path_);
    loaded_ = fingerprintOf<Fingerprint>(info);
    return parseAddressText(bytes, table);
}

std::optional<std::string> AddressFile::save(const AddressTable& table) {
    // A write-protected file stays protected, as when it was written in place.
    if (::access(path_.c_str(), W_OK) != 0 && errno == EACCES) {
        throwIoError(EACCES, path_);
    }
    TemporaryFile temporary(path_);
    std::string chunk;
    chunk.reserve(WriteChunk + 4096);
    for (int row = 1; row < table.rowCount(); ++row) {
        appendLine(chunk, table.record(row));
        if (chunk.size() >= WriteChunk) {
            temporary.write(chunk);
            chunk.clear();
        }
    }
    temporary.write(chunk);
    const Fingerprint written = fingerprintOf<Fingerprint>(temporary.finish());

    std::optional<std::string> kept;
    const Fingerprint onDisk = currentFingerprint();
    if (onDisk.exists && onDisk != loaded_) {
        kept = keepVersion(path_);
    }
    temporary.replaceTarget();
    loaded_ = written;
    syncFolder(folder_, path_);
    return kept;
}

AddressFile::Fingerprint AddressFile::currentFingerprint() const {
    struct stat info {};
    if (::stat(path_.c_str(), &info) == 0) {
        return fingerprintOf<Fingerprint>(info);
    }
    if (errno == ENOENT || errno == ENOTDIR) {
        return Fingerprint{};
    }
    return Fingerprint{.exists = true, .readable = false};
}

} // namespace book
