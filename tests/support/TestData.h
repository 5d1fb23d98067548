#pragma once

#include <cstdlib>
#include <filesystem>

// A folder of test inputs in the source tree. A test run as another user may not enter the source tree
// (a clone in a private home folder): its runner copies the folders into NUMBERWELL_TEST_DATA first.
inline std::filesystem::path testData(const std::filesystem::path& sourceFolder) {
    if (const char* copies = std::getenv("NUMBERWELL_TEST_DATA")) {
        return std::filesystem::path(copies) / sourceFolder.filename();
    }
    return sourceFolder;
}
