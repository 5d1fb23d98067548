#pragma once

#include "AddressTable.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace book {

inline constexpr std::string_view AddressFileName = "Adressen.txt";
inline constexpr std::string_view ProbeFileName = "test.tst";

// Failing file operations raise this; its text is what the error box shows.
class IoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Shown in row 1 when there is no address file.
Record exampleRecord();

// The reader's line rules: a line ends at CR (CR LF is one line end), byte 26 ends the file, the end
// of the file ends the last line and a final line end adds no line. Lines go to rows 1, 2, ...;
// fields past the seventh are dropped, missing ones are empty. Returns the line counter: lines + 1.
// The row count is not touched (the caller sets it).
int parseAddressText(std::string_view bytes, AddressTable& table);

// Rows 1 .. rowCount()-1, seven fields joined by '|', each line ended by CR LF.
std::string formatAddressText(const AddressTable& table);

// "Adressen.txt" in one folder, read at start and written at close.
class AddressFile {
public:
    explicit AddressFile(std::filesystem::path folder);

    // True when the folder cannot be written ("test.tst" created, closed and deleted again).
    bool writeProbe() const;

    // Fills rows 1..n (or the example record into row 1 when there is no file) and returns the line
    // counter (lines + 1, or 2 after the example). An unreadable file raises IoError and is
    // remembered, so that a later save keeps it instead of replacing it unseen.
    int load(AddressTable& table);

    // Writes the table atomically (temporary file, flush, fsync, rename); on failure the old file
    // stays as it was and IoError is raised. When the file on disk is not the one that was loaded
    // (changed by someone else, or unreadable at start), that version is first kept beside it as
    // "Adressen YYYY-MM-DD HH-MM-SS.txt"; the name of the kept copy is returned.
    std::optional<std::string> save(const AddressTable& table);

    const std::filesystem::path& path() const { return path_; }

private:
    // What was on disk at load, to notice another writer at save.
    struct Fingerprint {
        bool exists = false;
        bool readable = true;
        std::uintmax_t size = 0;
        std::int64_t modified = 0; // nanoseconds
        std::uint64_t inode = 0;
        bool operator==(const Fingerprint&) const = default;
    };
    Fingerprint currentFingerprint() const;

    std::filesystem::path folder_;
    std::filesystem::path path_;
    Fingerprint loaded_;
};

} // namespace book
