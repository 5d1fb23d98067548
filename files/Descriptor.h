#pragma once

#include <filesystem>
#include <string_view>
#include <utility>

namespace files {

// An open file descriptor, closed when it goes out of scope.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor();
    Descriptor(Descriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    bool isOpen() const { return descriptor_ >= 0; }
    int get() const { return descriptor_; }

    // Closing can report a late write error (network folders, quotas), so where it matters it is checked.
    void close(const std::filesystem::path& file);

private:
    int descriptor_ = -1;
};

// Writes all the bytes, through short writes and interruptions; FileError names the file.
void writeAll(const Descriptor& descriptor, std::string_view bytes, const std::filesystem::path& file);

} // namespace files
