#include "FileLock.h"

namespace files {

FileLock FileLock::take(const std::filesystem::path& file, Kind kind) {
    return *lock(file, kind, true);
}

std::optional<FileLock> FileLock::tryTake(const std::filesystem::path& file, Kind kind) {
    return lock(file, kind, false);
}

} // namespace files
