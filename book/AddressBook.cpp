#include "AddressBook.h"

#include "KeyOrder.h"
#include "Sort.h"
#include "files/DatedCopy.h"
#include "files/FileError.h"
#include "files/FileStatus.h"
#include "files/FolderEntries.h"

#include <cerrno>
#include <cstring>

namespace book {

namespace {

IoError ioError(int error, const std::filesystem::path& file) {
    return IoError("E/A-Fehler " + std::to_string(error) + ": " + std::strerror(error) + ": " +
                   file.filename().string());
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

bool AddressBook::folderWritable() const {
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
        return true;
    } catch (const files::FileError&) {
        return false;
    }
}

void AddressBook::load() {
    replaceTable(AddressTable());
    read_ = {FileVersion::State::Unreadable, {}};
    std::optional<files::FileContents> contents;
    try {
        contents = readList();
    } catch (const files::FileError& error) {
        throw toIoError(error);
    }
    if (!contents) {
        AddressTable example;
        example.setRecord(0, exampleRecord());
        replaceTable(std::move(example));
        read_ = {FileVersion::State::Missing, {}};
        return;
    }
    try {
        replaceTable(AddressTable(std::move(contents->bytes)));
    } catch (const std::length_error&) {
        throw ioError(EFBIG, path_);
    }
    read_ = {FileVersion::State::Read, contents->status};
}

void AddressBook::replaceTable(AddressTable table) {
    tell([](ListObserver& observer) { observer.listReplacing(); });
    table_ = std::move(table);
    keyOrder_.reset();
    tell([](ListObserver& observer) { observer.listReplaced(); });
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
                read_ = {FileVersion::State::Read, written}; // only the folder's sync failed
            }
            throw;
        }
        read_ = {FileVersion::State::Read, written};
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
    return read_.state != FileVersion::State::Read || *now != read_.status;
}

std::string AddressBook::keepDiskVersion() const {
    return files::keepDatedCopy(path_, "Adressen", ".txt");
}

void AddressBook::addObserver(ListObserver& observer) {
    observers_.push_back(&observer);
}

void AddressBook::removeObserver(ListObserver& observer) {
    std::erase(observers_, &observer);
}

template <typename Notice> void AddressBook::tell(Notice notice) {
    for (ListObserver* const observer : observers_) {
        notice(*observer);
    }
}

bool AddressBook::inKeyOrder(int column) const {
    if (table_.recordCount() < 2 || keyOrder_ == column) {
        return true;
    }
    if (book::inKeyOrder(table_, column)) {
        keyOrder_ = column;
        return true;
    }
    return false;
}

int AddressBook::add(int keyColumn, const Record& record) {
    if (table_.isEmptyList()) {
        const AddressTable::Reference line = table_.prepare(record);
        TableChanged = true;
        table_.setPrepared(0, line);
        tell([](ListObserver& observer) { observer.recordChanged(0); });
        return 0;
    }
    const bool ordered = inKeyOrder(keyColumn);
    const int index = insertionIndex(table_, keyColumn, record.field(keyColumn), ordered);
    const AddressTable::Reference line = table_.prepare(record);
    TableChanged = true;
    keyOrder_ = ordered ? std::optional(keyColumn) : std::nullopt;
    tell([index](ListObserver& observer) { observer.recordsInserting(index, 1); });
    table_.insertPrepared(index, line);
    tell([](ListObserver& observer) { observer.recordsInserted(); });
    return index;
}

void AddressBook::addAll(int keyColumn, std::span<const Record> records) {
    if (!records.empty() && table_.isEmptyList()) {
        add(keyColumn, records.front());
        records = records.subspan(1);
    }
    if (records.empty()) {
        return;
    }
    const bool ordered = inKeyOrder(keyColumn);
    const std::vector<int> places = insertionIndexes(table_, keyColumn, records, ordered);
    // Among the new records of one place, each went before those of a key not less than its own: they
    // stand in key order, a later one before an earlier one of the same key.
    std::vector<std::size_t> order(records.size());
    std::vector<std::string_view> keys(records.size());
    for (std::size_t at = 0; at < order.size(); ++at) {
        order[at] = at;
        keys[at] = records[at].field(keyColumn);
    }
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (places[a] != places[b]) {
            return places[a] < places[b];
        }
        const int compared = compareKeys(keys[a], keys[b]);
        return compared != 0 ? compared < 0 : a > b;
    });
    std::vector<AddressTable::Reference> lines;
    lines.reserve(records.size());
    for (const Record& record : records) {
        lines.push_back(table_.prepare(record));
    }
    table_.reserveRecords(records.size());
    const std::span<const AddressTable::Reference> old = table_.references();
    std::vector<AddressTable::Reference> merged;
    merged.reserve(old.size() + lines.size());
    std::size_t next = 0;
    for (std::size_t index = 0; index <= old.size(); ++index) {
        for (; next < order.size() && static_cast<std::size_t>(places[order[next]]) == index; ++next) {
            merged.push_back(lines[order[next]]);
        }
        if (index < old.size()) {
            merged.push_back(old[index]);
        }
    }
    TableChanged = true;
    keyOrder_ = ordered ? std::optional(keyColumn) : std::nullopt;
    // The new records come in at the end and are then merged into place: both told as they happen.
    const int first = table_.recordCount();
    tell([&](ListObserver& observer) { observer.recordsInserting(first, static_cast<int>(lines.size())); });
    table_.appendPrepared(lines);
    tell([](ListObserver& observer) { observer.recordsInserted(); });
    reorder([&merged](std::span<AddressTable::Reference> references) {
        std::copy(merged.begin(), merged.end(), references.begin());
    });
}

void AddressBook::change(int index, const Record& record, int keyColumn) {
    const bool othersOrdered = inKeyOrder(keyColumn) || table_.recordCount() < 2;
    const AddressTable::Reference line = table_.prepare(record);
    TableChanged = true;
    table_.setPrepared(index, line);
    tell([index](ListObserver& observer) { observer.recordChanged(index); });
    if (!othersOrdered) {
        sortByColumn(keyColumn);
        return;
    }
    const int place = placeAfterChange(table_, keyColumn, index);
    if (place != index) {
        tell([&](ListObserver& observer) { observer.recordMoving(index, place); });
        table_.moveRecord(index, place);
        tell([](ListObserver& observer) { observer.recordMoved(); });
    }
    keyOrder_ = keyColumn;
}

void AddressBook::remove(int index) {
    if (table_.recordCount() == 1) {
        const AddressTable::Reference blank = table_.prepare(Record());
        TableChanged = true;
        table_.setPrepared(0, blank);
        tell([](ListObserver& observer) { observer.recordChanged(0); });
        return;
    }
    table_.record(index); // an index outside the list raises here, before anyone is told
    TableChanged = true;
    tell([index](ListObserver& observer) { observer.recordRemoving(index); });
    table_.removeRecord(index);
    tell([](ListObserver& observer) { observer.recordRemoved(); });
}

void AddressBook::sortByColumn(int column) {
    if (column < 0 || column >= ColumnCount) {
        throw std::out_of_range(GridIndexError);
    }
    TableChanged = true;
    reorder([this, column](std::span<AddressTable::Reference>) { book::sortByColumn(table_, column); });
    keyOrder_ = column;
}

// The observers name the records they follow before, and learn where those went after, also when the
// reordering fails half-way (the records are then in some order, none lost).
template <typename Permute> void AddressBook::reorder(Permute permute) {
    std::vector<std::vector<AddressTable::Reference>> followed;
    followed.reserve(observers_.size());
    for (ListObserver* const observer : observers_) {
        std::vector<AddressTable::Reference>& lines = followed.emplace_back();
        for (const int index : observer->recordsReordering()) {
            lines.push_back(table_.references()[static_cast<std::size_t>(index)]);
        }
    }
    const auto confirm = [&] {
        for (std::size_t at = 0; at < observers_.size(); ++at) {
            observers_[at]->recordsReordered(table_.indexesOf(followed[at]));
        }
    };
    try {
        permute(table_.references());
    } catch (...) {
        confirm();
        throw;
    }
    confirm();
}

} // namespace book
