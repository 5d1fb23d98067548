#pragma once

#include <filesystem>
#include <system_error>

// The file layer: POSIX calls on whole files, each checked, every failure raised as FileError.
namespace files {

// A failed system call: the system's error number and the file it was about.
class FileError : public std::system_error {
public:
    FileError(int error, std::filesystem::path file)
        : std::system_error(error, std::generic_category(), file.string()), file_(std::move(file)) {}

    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
};

// Raises FileError for errno and the file.
[[noreturn]] void throwLastError(const std::filesystem::path& file);

} // namespace files
