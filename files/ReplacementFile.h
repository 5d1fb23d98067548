#pragma once

#include "Descriptor.h"
#include "FileStatus.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace files {

// A new version of a file, written beside it under a temporary name and renamed over it only when it is
// complete and on the disk, so the file is always either the old or the whole new version. On POSIX,
// replacing a file keeps its mode, owner and group (as far as the user may set them), and its owner's
// right to read and write it; a new file gets the user's umask. On Windows the new version has what the
// folder gives every new file, and a target that is read-only, or open in a program that does not share
// its deletion, is not replaced (EACCES). Unless it was put in place, the temporary file is removed
// again.
class ReplacementFile {
public:
    explicit ReplacementFile(std::filesystem::path target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    void write(std::string_view bytes);
    // The pieces one after the other, handed to the system a batch at a time.
    void write(std::span<const std::string_view> pieces);

    // Flushes to the disk and closes; returns the status the new version will have under the target name.
    FileStatus finish();
    // Renames it over the target and syncs the folder, so that the rename survives a crash too (Windows:
    // MoveFileExW with write-through).
    void putInPlace();
    // Whether the rename happened: a failure of the folder's sync alone leaves the new version in place.
    bool inPlace() const { return temporary_.empty(); }

    const std::filesystem::path& target() const { return target_; }

private:
    void takeOverAttributes(); // from the file it replaces, where the system has any
    void discardTemporary();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    Descriptor descriptor_;
};

// The whole file replaced by the bytes, as above.
void replaceFile(const std::filesystem::path& file, std::string_view bytes);

} // namespace files
