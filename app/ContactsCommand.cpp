#include "ContactsCommand.h"

#include "exchange/ListExchange.h"

#include <exception>
#include <optional>
#include <ostream>

namespace {

int failed(std::ostream& err, const std::string& what) {
    err << "numberwell: " << what << '\n';
    return 1;
}

void tell(std::ostream& out, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        out << line << '\n';
    }
}

} // namespace

int importContacts(const session::Places& places, const std::filesystem::path& file, std::ostream& out,
                   std::ostream& err) {
    try {
        session::ListSession list(places, session::ListSession::Use::Import);
        if (!list.open()) {
            return failed(err, "the address list is open in a Numberwell window: close it, or open " +
                                   file.filename().string() + " with Numberwell, to add the contacts");
        }
        for (const std::string& error : list.errors()) {
            err << "numberwell: " << error << '\n';
        }
        const session::ContactsOutcome contacts =
            list.addContactsFrom(file, session::ListSession::keyColumnOf(list.readViewSettings()));
        if (contacts.kind != session::ContactsOutcome::Kind::Added) {
            return failed(err, contacts.text);
        }
        tell(out, list.notices());
        if (const std::optional<std::string> kept = list.save()) {
            out << book::keptVersionNotice(*kept) << '\n';
        }
        out << contacts.text << '\n';
        return 0;
    } catch (const std::exception& error) {
        return failed(err, error.what());
    } catch (...) {
        return failed(err, "the import failed");
    }
}

int exportContacts(const session::Places& places, const std::filesystem::path& file, std::ostream& out,
                   std::ostream& err) {
    try {
        session::ListSession list(places, session::ListSession::Use::Export);
        list.open();
        if (!list.listRead()) {
            return failed(err, list.errors().front());
        }
        // Where there is no list yet, the example record is only shown, never stored.
        const bool stored = list.book().fileWasThere() || list.tableChanged();
        const std::size_t written =
            exchange::writeListFile(stored ? list.table() : book::AddressTable(), file);
        out << written << (written == 1 ? " contact" : " contacts") << " written to " << file.string()
            << '\n';
        return 0;
    } catch (const std::exception& error) {
        return failed(err, error.what());
    } catch (...) {
        return failed(err, "the export failed");
    }
}
