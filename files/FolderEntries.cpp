#include "FolderEntries.h"

#include "FileError.h"
#include "ReadFile.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

std::string randomLetters() {
    static constexpr std::string_view Letters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string letters(8, ' ');
    for (char& letter : letters) {
        letter = Letters[random() % Letters.size()];
    }
    return letters;
}

} // namespace

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

CreatedFile createUniquelyNamed(const std::filesystem::path& folder, std::string_view prefix,
                                std::string_view suffix) {
    for (;;) {
        std::filesystem::path name = folder / (std::string(prefix) + randomLetters() + std::string(suffix));
        if (std::optional<Descriptor> descriptor = createExclusively(name)) {
            return {std::move(name), std::move(*descriptor)};
        }
    }
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

bool copyExclusively(const std::filesystem::path& file, const std::filesystem::path& copy) {
    const std::optional<FileContents> contents = readFile(file);
    struct stat info {};
    if (!contents || ::stat(file.c_str(), &info) != 0) {
        throw FileError(contents ? errno : ENOENT, file);
    }
    std::optional<Descriptor> descriptor = createExclusively(copy, info.st_mode & 07777);
    if (!descriptor) {
        return false;
    }
    try {
        writeAll(*descriptor, contents->bytes, copy);
        if (::fsync(descriptor->get()) != 0) {
            throwLastError(copy);
        }
        descriptor->close(copy);
    } catch (const FileError&) {
        ::unlink(copy.c_str());
        throw;
    }
    return true;
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
