#pragma once

#include "AddressTable.h"
#include "files/FileError.h"
#include "files/ReadFile.h"
#include "files/ReplacementFile.h"

#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace book {

inline constexpr std::string_view AddressFileName = "Adressen.txt";
inline constexpr std::string_view ProbeFileName = "test.tst";

// Failing file operations raise this; its text is what the error box shows ("E/A-Fehler 13: ...").
class IoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The error box's text for a failing file operation: "E/A-Fehler 2: No such file or directory: name".
IoError toIoError(const files::FileError& error);

// What the user is told when save() kept another version under that name.
std::string keptVersionNotice(std::string_view keptName);

// Shown in row 1 when there is no address file.
Record exampleRecord();

// The address list of one folder: the table, whether it was changed, and "Adressen.txt", read at start
// and written at close. Reading and writing the file's bytes are virtual, so that tests can make them
// fail in every way there is.
class AddressBook {
public:
    explicit AddressBook(std::filesystem::path folder);
    virtual ~AddressBook() = default;
    AddressBook(const AddressBook&) = delete;
    AddressBook& operator=(const AddressBook&) = delete;

    // True when nothing can be stored in the folder. The probe file is created only where no file of its
    // name exists, and only it is removed again: a "test.tst" of the user's stays as it is, and a
    // name of our own is probed instead.
    bool writeProbe() const;

    // Reads "Adressen.txt", or puts the example record into row 1 when there is none. Whatever fails
    // (IoError for the file itself) leaves the empty list, and that file is then kept under a dated name
    // before a save replaces it.
    void load();

    // Writes the table: a temporary file, synced and renamed over "Adressen.txt"; on any failure the old
    // file stays and the error is raised (IoError for the file's own). When the file on disk is not the
    // one that was read (another program wrote it, or it could not be read at start), that version is
    // first kept beside it as "Adressen YYYY-MM-DD HH-MM-SS.txt": the name of the kept copy is returned.
    std::optional<std::string> save();

    const AddressTable& table() const { return table_; }
    bool tableChanged() const { return TableChanged; }
    // Whether the last load found "Adressen.txt" (and not the example instead).
    bool fileWasThere() const { return read_.state != ReadVersion::State::Missing; }

    // Every change of the records or of their order marks the table changed.
    //
    // Add: the record fills the blank row of the empty list, or goes in before the first row, from the
    // top, whose key is not less than its own. Returns its row.
    int add(int keyColumn, const Record& record);
    // Adds each record in turn, as add() would; on a list in key order the places are found by halving.
    void addAll(int keyColumn, std::span<const Record> records);
    void setRecord(int row, const Record& record);
    void insertRecord(int row, const Record& record);
    void removeRecord(int row);
    void sortByColumn(int column);
    void sortAfterChange(int column, int row); // the same order as sortByColumn when only row changed

    const std::filesystem::path& path() const { return path_; }

protected:
    // The file's bytes, or nothing when there is none.
    virtual std::optional<files::FileContents> readList() const;
    // The table's text into the new version of the file.
    virtual void writeList(files::ReplacementFile& file) const;

private:
    // What "Adressen.txt" was when it was read, to notice another writer at save.
    struct ReadVersion {
        enum class State { Missing, Read, Unreadable } state = State::Missing;
        files::FileStatus status;
    };
    bool diskHoldsAnotherVersion() const;
    std::string keepDiskVersion() const;

    std::filesystem::path folder_;
    std::filesystem::path path_;
    AddressTable table_;
    bool TableChanged = false;
    ReadVersion read_;
};

} // namespace book
