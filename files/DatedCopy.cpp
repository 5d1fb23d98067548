#include "DatedCopy.h"

#include "FileError.h"
#include "FolderEntries.h"
#include "LocalTime.h"

#include <array>
#include <ctime>

namespace files {

namespace {

std::string datedName(std::string_view stem, std::string_view extension, const std::tm& when, int attempt) {
    std::array<char, 32> stamp{};
    std::strftime(stamp.data(), stamp.size(), "%Y-%m-%d %H-%M-%S", &when);
    std::string name = std::string(stem) + " " + stamp.data();
    if (attempt > 1) {
        name += " (" + std::to_string(attempt) + ")";
    }
    return name + std::string(extension);
}

} // namespace

std::string keepDatedCopy(const std::filesystem::path& file, std::string_view stem,
                          std::string_view extension) {
    const std::tm local = localTime(std::time(nullptr));
    const std::filesystem::path folder = file.parent_path();
    for (int attempt = 1;; ++attempt) {
        const std::string name = datedName(stem, extension, local, attempt);
        bool made = false;
        try {
            made = linkExclusively(file, folder / name);
        } catch (const FileError&) {
            made = copyExclusively(file, folder / name);
        }
        if (made) {
            return name;
        }
    }
}

} // namespace files
