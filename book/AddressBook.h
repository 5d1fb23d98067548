#pragma once

#include "AddressTable.h"
#include "ListObserver.h"
#include "files/FileError.h"
#include "files/ReadFile.h"
#include "files/ReplacementFile.h"

#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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

// Shown as the only record when there is no address file.
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

    // The write probe: whether a file can be created in the folder. The probe file is created only where
    // no file of its name exists, and only it is removed again: a "test.tst" of the user's stays as it
    // is, and a name of our own is probed instead.
    bool folderWritable() const;

    // Reads "Adressen.txt", or shows the example record when there is none. Whatever fails
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

    // What "Adressen.txt" was when it was last read or written, to notice another writer.
    struct FileVersion {
        enum class State { Missing, Read, Unreadable } state = State::Missing;
        files::FileStatus status;
        friend bool operator==(const FileVersion&, const FileVersion&) = default;
    };
    const FileVersion& fileVersion() const { return read_; }
    // Whether the last load found "Adressen.txt" (and not the example instead).
    bool fileWasThere() const { return read_.state != FileVersion::State::Missing; }

    // The observers hear of every change of the list; the book does not own them.
    void addObserver(ListObserver& observer);
    void removeObserver(ListObserver& observer);

    // The commands on the list. Each marks the table changed and tells the observers; each either
    // completes or raises and leaves the list as it was.
    //
    // Add: the record fills the blank record of the empty list, or goes in before the first record, from
    // the top, whose key is not less than its own. Returns its index.
    int add(int keyColumn, const Record& record);
    // As if each were added in turn, at O(n + m log m) for m records into n.
    void addAll(int keyColumn, std::span<const Record> records);
    // Change: the record is rewritten, then the list sorted again.
    void change(int index, const Record& record, int keyColumn);
    // Delete: the records below move up; the only record is emptied instead.
    void remove(int index);
    void sortByColumn(int column);

    // Whether the records are in key order of the column: checked once, then kept track of.
    bool inKeyOrder(int column) const;

    const std::filesystem::path& folder() const { return folder_; }
    const std::filesystem::path& path() const { return path_; }

protected:
    // The file's bytes, or nothing when there is none.
    virtual std::optional<files::FileContents> readList() const;
    // The table's text into the new version of the file.
    virtual void writeList(files::ReplacementFile& file) const;

private:
    bool diskHoldsAnotherVersion() const;
    void replaceTable(AddressTable table);
    template <typename Notice> void tell(Notice notice);
    template <typename Permute> void reorder(Permute permute);
    std::string keepDiskVersion() const;

    std::filesystem::path folder_;
    std::filesystem::path path_;
    AddressTable table_;
    bool TableChanged = false;
    FileVersion read_;
    mutable std::optional<int> keyOrder_; // the column the records are known to be in key order of
    std::vector<ListObserver*> observers_;
};

} // namespace book
