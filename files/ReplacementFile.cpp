// The parts of ReplacementFile.h that are the same on every system; posix/ and windows/ hold the rest.
#include "files/ReplacementFile.h"

#include "files/FileError.h"
#include "files/FolderEntries.h"

namespace files {

ReplacementFile::ReplacementFile(std::filesystem::path target) : target_(std::move(target)) {
    const std::filesystem::path folder = target_.has_parent_path() ? target_.parent_path() : ".";
    try {
        std::filesystem::path prefix = ".";
        prefix += target_.filename();
        prefix += ".";
        CreatedFile created = createUniquelyNamed(folder, prefix, ".tmp");
        temporary_ = std::move(created.path);
        descriptor_ = std::move(created.descriptor);
        takeOverAttributes();
    } catch (const FileError& error) {
        discardTemporary();
        throw FileError(error.code().value(), target_); // the user knows the file, not our temporary name
    }
}

ReplacementFile::~ReplacementFile() {
    discardTemporary();
}

void ReplacementFile::write(std::string_view bytes) {
    write(std::span<const std::string_view>(&bytes, 1));
}

void replaceFile(const std::filesystem::path& file, std::string_view bytes) {
    ReplacementFile replacement(file);
    replacement.write(bytes);
    replacement.finish();
    replacement.putInPlace();
}

} // namespace files
