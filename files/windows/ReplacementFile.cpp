#include "files/ReplacementFile.h"

#include "files/FileError.h"
#include "files/windows/Win32.h"

#include <cerrno>
#include <string>

namespace files {

namespace {

// Windows has no writev: the pieces (a line each in a sorted list) go out gathered into writes of this
// size, not a call each.
constexpr std::size_t WriteSize = std::size_t{1} << 20;

} // namespace

// The old file's attributes and permissions stay with it: the new version gets what the folder gives
// every new file.
void ReplacementFile::takeOverAttributes() {}

void ReplacementFile::discardTemporary() {
    if (!temporary_.empty()) {
        descriptor_ = Descriptor(); // Windows removes no file that is still open
        ::DeleteFileW(temporary_.c_str());
    }
}

void ReplacementFile::write(std::span<const std::string_view> pieces) {
    std::string batch;
    batch.reserve(WriteSize);
    for (const std::string_view piece : pieces) {
        if (batch.size() + piece.size() > WriteSize) {
            writeAll(descriptor_, batch, target_);
            batch.clear();
        }
        if (piece.size() > WriteSize) {
            writeAll(descriptor_, piece, target_);
        } else {
            batch += piece;
        }
    }
    writeAll(descriptor_, batch, target_);
}

FileStatus ReplacementFile::finish() {
    flushToDisk(descriptor_, target_);
    descriptor_.close(target_);
    // Asked after the close, since NTFS may set the time of the last write when the handle closes.
    try {
        if (const std::optional<FileStatus> status = statusOf(temporary_)) {
            return *status;
        }
        throw FileError(ENOENT, temporary_);
    } catch (const FileError& error) {
        throw FileError(error.code().value(), target_);
    }
}

// In one step, and on the disk when it returns. A target that another program holds open without
// sharing its deletion stays as it is, and so does a read-only one: EACCES.
void ReplacementFile::putInPlace() {
    if (!::MoveFileExW(temporary_.c_str(), target_.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throwOpenError(::GetLastError(), target_);
    }
    temporary_.clear();
}

} // namespace files
