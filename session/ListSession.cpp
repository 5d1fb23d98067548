#include "ListSession.h"

#include "exchange/ListExchange.h"
#include "files/DatedCopy.h"
#include "files/FileError.h"
#include "files/FolderEntries.h"
#include "files/ReadFile.h"

#include <system_error>

namespace session {

namespace {

std::string describe(const std::exception_ptr& failure, const std::string& otherwise) {
    try {
        std::rethrow_exception(failure);
    } catch (const files::FileError& error) {
        return book::toIoError(error).what();
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return otherwise;
    }
}

std::string counted(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

} // namespace

ListSession::ListSession(Places places, Use use, std::unique_ptr<book::AddressBook> book)
    : places_(std::move(places)), use_(use),
      book_(book ? std::move(book) : std::make_unique<book::AddressBook>(places_.programFolder)) {}

ListSession::~ListSession() {
    close();
}

void ListSession::close() {
    if (journal_ && journal_->empty()) {
        try {
            files::removeFile(journal_->path());
        } catch (const files::FileError&) {
            // An empty journal left behind recovers nothing and is used again.
        }
    }
    journal_.reset();
}

std::filesystem::path ListSession::journalPath() const {
    return places_.programFolder / JournalFileName;
}

bool ListSession::prepareFolder() {
    std::error_code folderError;
    std::filesystem::current_path(places_.programFolder, folderError);
    if (folderError) {
        errors_.push_back(folderError.message());
    }
    return book_->folderWritable();
}

bool ListSession::takeLock() {
    if (use_ == Use::Window) {
        try {
            lock_ = files::FileLock::take(places_.programFolder, files::FileLock::Kind::Shared);
        } catch (const files::FileError&) {
            // A folder that cannot be locked (some network folders) only loses the guard against an import.
        }
        return true;
    }
    if (use_ == Use::Export) {
        return true;
    }
    lock_ = files::FileLock::tryTake(places_.programFolder, files::FileLock::Kind::Exclusive);
    return lock_.has_value();
}

bool ListSession::open() {
    if (!takeLock()) {
        return false;
    }
    // Whatever fails (the file, or memory on a hostile one) leaves the empty list, and the unread file is
    // kept under a dated name before a save replaces it.
    try {
        book_->load();
        listRead_ = true;
    } catch (...) {
        errors_.push_back(
            describe(std::current_exception(), "Unbekannter Fehler beim Lesen von Adressen.txt"));
    }
    openJournal();
    return true;
}

void ListSession::openJournal() {
    try {
        if (use_ == Use::Export) { // what a crash left, without touching it
            if (const std::optional<files::FileContents> bytes = files::readFile(journalPath())) {
                const JournalContents contents = readJournal(bytes->bytes);
                if (contents.base == book_->fileVersion()) {
                    for (const ListChange& change : contents.changes) {
                        apply(*book_, change);
                    }
                }
            }
            return;
        }
        journal_ = JournalFile::open(journalPath());
        if (!journal_) {
            notices_.push_back("Another Numberwell window has this address list open: until it closes, the "
                               "changes made here are not kept safe against a crash");
            return;
        }
        const std::optional<files::FileContents> bytes = files::readFile(journalPath());
        if (bytes && !bytes->bytes.empty()) {
            recover(readJournal(bytes->bytes));
        }
    } catch (...) {
        journal_.reset();
        errors_.push_back(describe(std::current_exception(), "The journal could not be opened") +
                          ": the changes are not kept safe against a crash until the list is saved");
    }
}

// The changes a crash left are made again on the list they were made on; on any other, they are kept.
void ListSession::recover(const JournalContents& contents) {
    if (!contents.base) {
        journal_->cut(0); // not even its start was written: nothing was confirmed
        return;
    }
    if (*contents.base != book_->fileVersion()) {
        keepJournalAside("Adressen.txt was changed by another program since");
        return;
    }
    std::size_t made = 0;
    try {
        for (const ListChange& change : contents.changes) {
            apply(*book_, change);
            ++made;
        }
    } catch (...) {
        keepJournalAside("they no longer fit the address list after " + counted(made, "change", "changes"));
        return;
    }
    journal_->cut(contents.intactBytes); // an entry torn by the crash was never confirmed
    if (made > 0) {
        notices_.push_back(counted(made, "change", "changes") +
                           " not yet saved when Numberwell last ended were recovered");
    }
}

void ListSession::keepJournalAside(std::string_view why) {
    const std::string kept = files::keepDatedCopy(journalPath(), "Adressen", ".journal");
    journal_.reset();
    files::removeFile(journalPath());
    journal_ = JournalFile::open(journalPath());
    notices_.push_back("The changes not yet saved when Numberwell last ended were not made again: " +
                       std::string(why) + ". They are kept in \"" + kept + "\"");
}

std::optional<settings::ViewValues> ListSession::readViewSettings() {
    try {
        std::optional<settings::ViewValues> values = settings::readViewSettings(places_.settingsFile);
        if (values && values->error) {
            errors_.push_back(*values->error);
        }
        return values;
    } catch (const std::exception& error) { // the file's own errors come with the values read
        errors_.push_back(error.what());
    }
    return std::nullopt;
}

int ListSession::keyColumnOf(const std::optional<settings::ViewValues>& values) {
    if (values && values->combo && *values->combo >= 0 && *values->combo < book::ColumnCount) {
        return *values->combo;
    }
    return 0;
}

ContactsOutcome ListSession::addContactsFrom(const std::filesystem::path& file, int keyColumn) {
    const std::string name = file.filename().string();
    if (!listRead_) {
        return {ContactsOutcome::Kind::NotAdded,
                "No contacts added from " + name + ": the address list could not be read"};
    }
    try {
        const exchange::ReadResult contacts = exchange::readContactsFile(file);
        addAll(keyColumn, exchange::toRecords(contacts));
        return {contacts.fault.empty() ? ContactsOutcome::Kind::Added : ContactsOutcome::Kind::NotAdded,
                exchange::summaryText(contacts)};
    } catch (...) {
        return {ContactsOutcome::Kind::Failed,
                describe(std::current_exception(), "Unbekannter Fehler beim Lesen von " + name)};
    }
}

void ListSession::perform(const ListChange& change) {
    apply(*book_, change);
    if (!journal_ || journalBroken_ || use_ == Use::Import) {
        return;
    }
    const std::uint64_t before = journal_->size();
    try {
        journal_->record(book_->fileVersion(), change);
    } catch (const files::FileError& error) {
        journalBroken_ = true;
        try {
            journal_->cut(before);
        } catch (const files::FileError&) {
        }
        throw book::IoError(
            std::string(book::toIoError(error).what()) +
            ": the change is made, but not kept safe against a crash until the list is saved");
    }
}

void ListSession::add(int keyColumn, const book::Record& record) {
    perform({ListChange::Kind::Add, 0, keyColumn, {record}});
}

void ListSession::addAll(int keyColumn, std::vector<book::Record> records) {
    if (!records.empty()) {
        perform({ListChange::Kind::AddAll, 0, keyColumn, std::move(records)});
    }
}

void ListSession::change(int index, const book::Record& record, int keyColumn) {
    perform({ListChange::Kind::Change, index, keyColumn, {record}});
}

void ListSession::remove(int index) {
    perform({ListChange::Kind::Remove, index, 0, {}});
}

void ListSession::sortByColumn(int column) {
    perform({ListChange::Kind::Sort, 0, column, {}});
}

std::optional<std::string> ListSession::save() {
    if (!book_->tableChanged()) {
        return std::nullopt;
    }
    std::optional<std::string> kept = book_->save();
    if (journal_) {
        try {
            journal_->cut(0);
            journalBroken_ = false;
        } catch (const files::FileError&) {
            // The list is safe; the journal's start no longer names it, so a later start keeps it aside.
        }
    }
    return kept;
}

void ListSession::writeViewSettings(const settings::ViewValues& values) const {
    settings::writeViewSettings(places_.settingsFile, values);
}

} // namespace session
