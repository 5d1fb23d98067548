#pragma once

#include <filesystem>
#include <string_view>
#include <utility>

namespace files {

// What the system hands out for an open file.
#ifdef _WIN32
using NativeHandle = void*; // a HANDLE
inline constexpr NativeHandle NoHandle = nullptr;
#else
using NativeHandle = int; // a file descriptor
inline constexpr NativeHandle NoHandle = -1;
#endif

// An open file, closed when it goes out of scope.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(NativeHandle handle) : handle_(handle) {}
    ~Descriptor();
    Descriptor(Descriptor&& other) noexcept : handle_(std::exchange(other.handle_, NoHandle)) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    bool isOpen() const { return handle_ != NoHandle; }
    NativeHandle get() const { return handle_; }

    // Closing can report a late write error (network folders, quotas), so where it matters it is checked.
    void close(const std::filesystem::path& file);

private:
    NativeHandle handle_ = NoHandle;
};

// Writes all the bytes, through short writes and interruptions; FileError names the file.
void writeAll(const Descriptor& descriptor, std::string_view bytes, const std::filesystem::path& file);

// Flushes what was written to the disk (fsync; FlushFileBuffers on Windows).
void flushToDisk(const Descriptor& descriptor, const std::filesystem::path& file);

} // namespace files
