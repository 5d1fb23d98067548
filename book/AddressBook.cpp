#include "AddressBook.h"

#include "KeyOrder.h"
#include "Sort.h"
#include "files/FileError.h"
#include "files/FileStatus.h"
#include "files/FolderEntries.h"
#include "files/LocalTime.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace book {

namespace {

IoError ioError(int error, const std::filesystem::path& file) {
    return IoError("E/A-Fehler " + std::to_string(error) + ": " + std::strerror(error) + ": " +
                   file.filename().string());
}

std::string keptCopyName(const std::tm& when, int attempt) {
    std::array<char, 32> stamp{};
    std::strftime(stamp.data(), stamp.size(), "%Y-%m-%d %H-%M-%S", &when);
    std::string name = "Adressen " + std::string(stamp.data());
    if (attempt > 1) {
        name += " (" + std::to_string(attempt) + ")";
    }
    return name + ".txt";
}

} // namespace

IoError toIoError(const files::FileError& error) {
    return ioError(error.code().value(), error.file());
}

std::string keptVersionNotice(std::string_view keptName) {
    return "Adressen.txt war nicht mehr die beim Start gelesene Datei. Diese Fassung wurde als \"" +
           std::string(keptName) + "\" aufbewahrt";
}

Record exampleRecord() {
    return Record{"Example",
                  "Michael",
                  "Mike",
                  "Examplestreet.15, New York",
                  "5551515 / 5551414",
                  "michael@example.com",
                  "Example"};
}

AddressBook::AddressBook(std::filesystem::path folder)
    : folder_(std::move(folder)), path_(folder_ / AddressFileName) {}

bool AddressBook::writeProbe() const {
    try {
        std::filesystem::path probe = folder_ / ProbeFileName;
        std::optional<files::Descriptor> created = files::createExclusively(probe);
        if (!created) {
            files::CreatedFile ours = files::createUniquelyNamed(folder_, ".numberwell-probe-", ".tst");
            probe = std::move(ours.path);
            created = std::move(ours.descriptor);
        }
        created->close(probe);
        files::removeFile(probe);
        return false;
    } catch (const files::FileError&) {
        return true;
    }
}

void AddressBook::load() {
    table_ = AddressTable();
    read_ = {ReadVersion::State::Unreadable, {}};
    std::optional<files::FileContents> contents;
    try {
        contents = readList();
    } catch (const files::FileError& error) {
        throw toIoError(error);
    }
    if (!contents) {
        read_ = {ReadVersion::State::Missing, {}};
        table_.setRecord(1, exampleRecord());
        return;
    }
    try {
        table_ = AddressTable(std::move(contents->bytes));
    } catch (const std::length_error&) {
        throw ioError(EFBIG, path_);
    }
    read_ = {ReadVersion::State::Read, contents->status};
}

std::optional<std::string> AddressBook::save() {
    try {
        // A write-protected file stays protected, as when it was written in place.
        if (files::isWriteProtected(path_)) {
            throw files::FileError(EACCES, path_);
        }
        files::ReplacementFile replacement(path_);
        writeList(replacement);
        const files::FileStatus written = replacement.finish();
        std::optional<std::string> kept;
        if (diskHoldsAnotherVersion()) {
            kept = keepDiskVersion();
        }
        try {
            replacement.putInPlace();
        } catch (const files::FileError&) {
            if (replacement.inPlace()) {
                read_ = {ReadVersion::State::Read, written}; // only the folder's sync failed
            }
            throw;
        }
        read_ = {ReadVersion::State::Read, written};
        return kept;
    } catch (const files::FileError& error) {
        throw toIoError(error);
    }
}

std::optional<files::FileContents> AddressBook::readList() const {
    return files::readFile(path_);
}

void AddressBook::writeList(files::ReplacementFile& file) const {
    table_.writeText([&file](std::span<const std::string_view> pieces) { file.write(pieces); });
}

bool AddressBook::diskHoldsAnotherVersion() const {
    std::optional<files::FileStatus> now;
    try {
        now = files::statusOf(path_);
    } catch (const files::FileError&) {
        return true; // something is there that cannot even be looked at: keep it, if it can be
    }
    if (!now) {
        return false;
    }
    return read_.state != ReadVersion::State::Read || *now != read_.status;
}

// A hard link costs nothing and keeps even a file we may not read; a copy serves where links are not
// possible.
std::string AddressBook::keepDiskVersion() const {
    const std::tm local = files::localTime(std::time(nullptr));
    for (int attempt = 1;; ++attempt) {
        const std::string name = keptCopyName(local, attempt);
        const std::filesystem::path kept = folder_ / name;
        bool made = false;
        try {
            made = files::linkExclusively(path_, kept);
        } catch (const files::FileError&) {
            made = files::copyExclusively(path_, kept);
        }
        if (made) {
            return name;
        }
    }
}

namespace {

bool isEmptyList(const AddressTable& table) {
    return table.rowCount() == 2 && table.record(1).isBlank();
}

bool inKeyOrder(const AddressTable& table, int column) {
    for (int row = 2; row < table.rowCount(); ++row) {
        if (compareKeys(table.cell(column, row - 1), table.cell(column, row)) > 0) {
            return false;
        }
    }
    return true;
}

// The first row whose key is not less than text, in a list in key order: what the scan from the top
// finds there.
int lowerBound(const AddressTable& table, int column, std::string_view text) {
    const int last = table.rowCount() - 1;
    const int row = locateRow(table, column, text, 1, last);
    return compareKeys(text, table.cell(column, row)) > 0 ? last + 1 : row;
}

} // namespace

int AddressBook::add(int keyColumn, const Record& record) {
    if (isEmptyList(table_)) {
        setRecord(1, record);
        return 1;
    }
    const int row = insertionRow(table_, keyColumn, record.field(keyColumn));
    insertRecord(row, record);
    return row;
}

void AddressBook::addAll(int keyColumn, std::span<const Record> records) {
    const bool halving = inKeyOrder(table_, keyColumn); // and every insertion keeps it so
    for (const Record& record : records) {
        if (!halving || isEmptyList(table_)) {
            add(keyColumn, record);
        } else {
            insertRecord(lowerBound(table_, keyColumn, record.field(keyColumn)), record);
        }
    }
}

void AddressBook::setRecord(int row, const Record& record) {
    table_.setRecord(row, record);
    TableChanged = true;
}

void AddressBook::insertRecord(int row, const Record& record) {
    table_.insertRecord(row, record);
    TableChanged = true;
}

void AddressBook::removeRecord(int row) {
    table_.removeRecord(row);
    TableChanged = true;
}

void AddressBook::sortByColumn(int column) {
    book::sortByColumn(table_, column);
    TableChanged = true;
}

void AddressBook::sortAfterChange(int column, int row) {
    book::sortAfterChange(table_, column, row);
    TableChanged = true;
}

} // namespace book
