#pragma once

#include "Descriptor.h"
#include "FileStatus.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace files {

// A file that only grows at its end, for a journal: every addition is on the disk before append()
// returns. A missing file is created with the user's umask, and its folder synced so that the new name
// survives a crash too. On Windows others may read or remove the file while it is open here, but
// readFile() fails while an addition is being written: a reader there shuts out writers.
class AppendFile {
public:
    explicit AppendFile(std::filesystem::path file);

    // Written in full and flushed to the disk; on a failure the file may hold part of the bytes.
    void append(std::string_view bytes);
    // Drops everything after the first `size` bytes, on the disk.
    void truncate(std::uint64_t size);
    std::uint64_t size() const { return size_; }
    FileStatus status() const;

    // An exclusive advisory lock on the file, held while it is open; false when another holds one. On
    // Windows it keeps no one from the file's bytes either.
    bool tryLock();

    const std::filesystem::path& path() const { return file_; }

private:
    Descriptor openForWriting() const;

    std::filesystem::path file_;
    Descriptor descriptor_; // read-only: the lock and the file's identity
    std::uint64_t size_ = 0;
};

} // namespace files
