#include "files/FileError.h"

#include <cerrno>

namespace files {

void throwLastError(const std::filesystem::path& file) {
    throw FileError(errno, file);
}

} // namespace files
