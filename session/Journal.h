#pragma once

#include "ListChange.h"
#include "book/AddressBook.h"
#include "files/AppendFile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

// The crash journal: every confirmed change of the list, on the disk before its command returns, so that
// a start after a crash shows the list as it was. "Adressen.txt" itself is still written only at close.
//
// The file is a run of entries, each a 32-bit length and the CRC-32C of its payload (both little-endian),
// then the payload. The first payload names the version of "Adressen.txt" the changes were made on:
// "NWJ1", its state (missing, read, unreadable) and its fingerprint (device, inode, size, time of the last
// change); every further payload is one change. An entry whose length or checksum does not fit (torn
// by the crash) ends the journal: it and anything after it are dropped.
namespace session {

inline constexpr std::string_view JournalFileName = "Adressen.journal";

using FileVersion = book::AddressBook::FileVersion;

struct JournalContents {
    std::optional<FileVersion> base; // nothing when not even the first entry is whole
    std::vector<ListChange> changes;
    std::uint64_t intactBytes = 0; // up to the first torn or damaged entry
};

JournalContents readJournal(std::string_view bytes);

std::string journalEntry(std::string_view payload);
std::string journalStart(const FileVersion& base);

// The journal of one open list, held locked so that one process at a time writes it.
class JournalFile {
public:
    // Opens the journal, creating it empty where there is none; nothing when another process holds it.
    static std::optional<JournalFile> open(const std::filesystem::path& file);

    // Appends the change, and first the version it is made on when the journal is empty; synced.
    void record(const FileVersion& base, const ListChange& change);
    // Keeps the first bytes only (the intact entries after a crash; none once the list is saved).
    void cut(std::uint64_t size) { file_.truncate(size); }
    bool empty() const { return file_.size() == 0; }
    std::uint64_t size() const { return file_.size(); }
    const std::filesystem::path& path() const { return file_.path(); }

private:
    explicit JournalFile(files::AppendFile file) : file_(std::move(file)) {}

    files::AppendFile file_;
};

} // namespace session
