#pragma once

#include "Descriptor.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace files {

// The hidden file in a folder through which Windows locks the folder; it stays there for the next lock.
inline constexpr std::string_view FolderLockFileName = ".numberwell.lock";

// An advisory lock on a file or a folder, held while the object lives and given back when the process
// ends in any way. Shared locks go together; an exclusive one stands alone. On POSIX flock(); on Windows
// LockFileEx, on a folder's FolderLockFileName.
class FileLock {
public:
    enum class Kind { Shared, Exclusive };

    // Waits until it is granted.
    static FileLock take(const std::filesystem::path& file, Kind kind);
    // Nothing when another holder stands in the way.
    static std::optional<FileLock> tryTake(const std::filesystem::path& file, Kind kind);

private:
    explicit FileLock(Descriptor descriptor) : descriptor_(std::move(descriptor)) {}
    static std::optional<FileLock> lock(const std::filesystem::path& file, Kind kind, bool wait);

    Descriptor descriptor_;
};

} // namespace files
