#include "files/FolderEntries.h"

#include "files/FileError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

std::optional<Descriptor> createExclusively(const std::filesystem::path& file, unsigned mode) {
    // The kernel takes the umask off the mode, without anyone changing the process-wide umask.
    Descriptor descriptor(
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode)));
    if (!descriptor.isOpen()) {
        if (errno == EEXIST) {
            return std::nullopt;
        }
        throwLastError(file);
    }
    return descriptor;
}

unsigned permissionsOf(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        throwLastError(file);
    }
    return info.st_mode & 07777;
}

bool linkExclusively(const std::filesystem::path& file, const std::filesystem::path& name) {
    if (::link(file.c_str(), name.c_str()) == 0) {
        return true;
    }
    if (errno == EEXIST) {
        return false;
    }
    throwLastError(name);
}

void removeFile(const std::filesystem::path& file) {
    if (::unlink(file.c_str()) != 0 && errno != ENOENT) {
        throwLastError(file);
    }
}

void syncFolder(const std::filesystem::path& folder) {
    const std::filesystem::path name = folder.empty() ? "." : folder;
    Descriptor descriptor(::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!descriptor.isOpen() || ::fsync(descriptor.get()) != 0) {
        throwLastError(name);
    }
    descriptor.close(name);
}

} // namespace files
