// The parts of FolderEntries.h that are the same on every system; posix/ and windows/ hold the rest.
#include "files/FolderEntries.h"

#include "files/FileError.h"
#include "files/ReadFile.h"

#include <cerrno>
#include <random>
#include <string>

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

CreatedFile createUniquelyNamed(const std::filesystem::path& folder, const std::filesystem::path& prefix,
                                std::string_view suffix) {
    for (;;) {
        // Joined as paths, so that a prefix outside ASCII stays what it is on Windows too.
        std::filesystem::path name = prefix;
        name += randomLetters();
        name += suffix;
        name = folder / name;
        if (std::optional<Descriptor> descriptor = createExclusively(name)) {
            return {std::move(name), std::move(*descriptor)};
        }
    }
}

bool copyExclusively(const std::filesystem::path& file, const std::filesystem::path& copy) {
    const std::optional<FileContents> contents = readFile(file);
    if (!contents) {
        throw FileError(ENOENT, file);
    }
    std::optional<Descriptor> descriptor = createExclusively(copy, permissionsOf(file));
    if (!descriptor) {
        return false;
    }
    try {
        writeAll(*descriptor, contents->bytes, copy);
        flushToDisk(*descriptor, copy);
        descriptor->close(copy);
    } catch (const FileError&) {
        descriptor.reset(); // Windows removes no file that is still open
        try {
            removeFile(copy);
        } catch (const FileError&) {
        }
        throw;
    }
    return true;
}

} // namespace files
