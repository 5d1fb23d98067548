#pragma once

#include <filesystem>
#include <system_error>

// The file layer: the system's calls on whole files, each checked, every failure raised as FileError.
// The headers here are the same on every system; posix/ and windows/ implement them.
namespace files {

// A failed system call: the error number (errno's numbering on every system, so that the error box
// reads alike everywhere) and the file it was about.
class FileError : public std::system_error {
public:
    FileError(int error, std::filesystem::path file)
        : std::system_error(error, std::generic_category(), file.string()), file_(std::move(file)) {}

    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
};

// Raises FileError for the system's last error and the file.
[[noreturn]] void throwLastError(const std::filesystem::path& file);

} // namespace files
