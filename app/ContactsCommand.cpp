#include "ContactsCommand.h"

#include "book/AddressBook.h"
#include "exchange/ListExchange.h"
#include "files/FileLock.h"
#include "settings/SettingsKey.h"

#include <exception>
#include <optional>
#include <ostream>

namespace {

// The search field of the last run, as the window would have it.
int keyColumn(const std::filesystem::path& settingsFile) {
    try {
        if (const std::optional<settings::SettingsReader> key =
                settings::SettingsReader::open(settingsFile)) {
            const int combo = key->readInteger("combo");
            return combo >= 0 && combo < book::ColumnCount ? combo : 0;
        }
    } catch (const settings::SettingsError&) {
    }
    return 0;
}

int failed(std::ostream& err, const std::string& what) {
    err << "numberwell: " << what << '\n';
    return 1;
}

} // namespace

int importContacts(const ListPlaces& places, const std::filesystem::path& file, std::ostream& out,
                   std::ostream& err) {
    try {
        const std::optional<files::FileLock> lock =
            files::FileLock::tryTake(places.programFolder, files::FileLock::Kind::Exclusive);
        if (!lock) {
            return failed(err, "the address list is open in a Numberwell window: close it, or open " +
                                   file.filename().string() + " with Numberwell, to add the contacts");
        }
        book::AddressBook book(places.programFolder);
        try {
            book.load();
        } catch (const std::exception& error) {
            return failed(err,
                          std::string(error.what()) + ": the address list could not be read, nothing added");
        }
        const exchange::ReadResult contacts = exchange::readContactsFile(file);
        if (!contacts.fault.empty()) {
            return failed(err, exchange::summaryText(contacts));
        }
        exchange::addToList(book, keyColumn(places.settingsFile), contacts);
        if (book.tableChanged()) {
            if (const std::optional<std::string> kept = book.save()) {
                out << book::keptVersionNotice(*kept) << '\n';
            }
        }
        out << exchange::summaryText(contacts) << '\n';
        return 0;
    } catch (const std::exception& error) {
        return failed(err, error.what());
    } catch (...) {
        return failed(err, "the import failed");
    }
}

int exportContacts(const ListPlaces& places, const std::filesystem::path& file, std::ostream& out,
                   std::ostream& err) {
    try {
        book::AddressBook book(places.programFolder);
        book.load();
        const book::AddressTable empty;
        const std::size_t written = exchange::writeListFile(book.fileWasThere() ? book.table() : empty, file);
        out << written << (written == 1 ? " contact" : " contacts") << " written to " << file.string()
            << '\n';
        return 0;
    } catch (const std::exception& error) {
        return failed(err, error.what());
    } catch (...) {
        return failed(err, "the export failed");
    }
}
