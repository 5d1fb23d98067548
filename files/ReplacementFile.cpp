// The parts of ReplacementFile.h that are the same on every system; posix/ and windows/ hold the rest.
#include "files/ReplacementFile.h"

namespace files {

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
