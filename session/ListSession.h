#pragma once

#include "Journal.h"
#include "ListChange.h"
#include "book/AddressBook.h"
#include "files/FileLock.h"
#include "settings/ViewSettings.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace session {

struct Places {
    std::filesystem::path programFolder; // holds "Adressen.txt", its journal and the sync's state
    std::filesystem::path settingsFile;
};

// What adding the contacts of a file came to, in one line for the user.
struct ContactsOutcome {
    enum class Kind { Added, NotAdded, Failed } kind = Kind::NotAdded;
    std::string text;
};

// The life of one address list, whoever uses it (the window, or a command without one): the program
// folder, the write probe, the folder lock, loading, the crash journal, the settings, contacts from a
// file, and saving. Every change goes through here, so that each is in the journal before it returns.
class ListSession {
public:
    enum class Use {
        Window, // shares the list with other windows (an import waits for none of them); keeps a journal
        Import, // alone with the list, refused beside a window; saves at once
        Sync,   // alone with the list; keeps a journal, since the server hears of changes before a save
        Export, // reads only: no lock, nothing written
    };

    ListSession(Places places, Use use, std::unique_ptr<book::AddressBook> book = {});
    ~ListSession(); // closes
    ListSession(const ListSession&) = delete;
    ListSession& operator=(const ListSession&) = delete;

    // The window's start: the program folder becomes the working folder, then the write probe. False when
    // nothing can be stored there, and the program must end.
    bool prepareFolder();

    // Takes the lock its use needs (false for Import and Sync while a window has the list), loads the list,
    // and makes again what a journal left by a crash holds. What failed or was recovered is in errors()
    // and notices().
    bool open();
    bool listRead() const { return listRead_; }
    const Places& places() const { return places_; }

    // The view values of the last run; nothing without settings. A value that could not be read is in
    // errors().
    std::optional<settings::ViewValues> readViewSettings();
    // The search field of those values, as the window takes it: 0 for none or one out of range.
    static int keyColumnOf(const std::optional<settings::ViewValues>& values);

    // The file's contacts added as Add adds them, in key order of the column.
    ContactsOutcome addContactsFrom(const std::filesystem::path& file, int keyColumn);

    const book::AddressBook& book() const { return *book_; }
    const book::AddressTable& table() const { return book_->table(); }
    bool tableChanged() const { return book_->tableChanged(); }
    void addObserver(book::ListObserver& observer) { book_->addObserver(observer); }
    void removeObserver(book::ListObserver& observer) { book_->removeObserver(observer); }

    // The commands; each is in the journal before it returns.
    void add(int keyColumn, const book::Record& record);
    void addAll(int keyColumn, std::vector<book::Record> records);
    void change(int index, const book::Record& record, int keyColumn);
    void remove(int index);
    void sortByColumn(int column);

    // Whether every change made so far is in the crash journal or saved; where not (no journal, or one
    // that could not take a change), only a save makes the list safe.
    bool changesKeptSafe() const {
        return !book_->tableChanged() || (use_ != Use::Import && journal_ && !journalBroken_);
    }

    // Writes "Adressen.txt" when the table was changed, then empties the journal. Returns the name under
    // which another program's version of the file was kept, if one was.
    std::optional<std::string> save();
    void writeViewSettings(const settings::ViewValues& values) const;
    // Done with the list: the journal goes once nothing in it is unsaved, and no change is made after.
    void close();

    // What the user is told, each in the order it happened: errors for the error box, notices for an
    // information box.
    const std::vector<std::string>& errors() const { return errors_; }
    const std::vector<std::string>& notices() const { return notices_; }

private:
    void perform(const ListChange& change);
    bool takeLock();
    void openJournal();
    void recover(const JournalContents& contents);
    void keepJournalAside(std::string_view why);
    std::filesystem::path journalPath() const;

    Places places_;
    Use use_;
    std::unique_ptr<book::AddressBook> book_;
    std::optional<files::FileLock> lock_;
    std::optional<JournalFile> journal_;
    bool journalBroken_ = false; // a change could not be noted: none is, until the next save
    bool listRead_ = false;
    std::vector<std::string> errors_;
    std::vector<std::string> notices_;
};

} // namespace session
