#include "Program.h"

#include "CloseRequests.h"
#include "instance/OpenRequests.h"
#include "ui/ErrorBox.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTimer>

namespace {

const QString ProbeFailedNotice =
    QStringLiteral("Auf dem derzeitigen Datenträger läßt sich nicht abspeichern.\n"
                   "Laden Sie die Datei 'Setup.exe', um das Programm auf der\n"
                   "Festplatte zu installieren");

} // namespace

std::optional<WindowStart> startWindow(const session::Places& places,
                                       const std::filesystem::path& contactsToAdd,
                                       std::unique_ptr<book::AddressBook> book) {
    WindowStart start;
    start.list =
        std::make_unique<session::ListSession>(places, session::ListSession::Use::Window, std::move(book));
    session::ListSession& list = *start.list;
    if (!list.prepareFolder()) {
        ui::showInformation(nullptr, ProbeFailedNotice); // before any window; nothing is read or written
        return std::nullopt;
    }
    list.open();
    const std::optional<settings::ViewValues> stored = list.readViewSettings();
    std::optional<session::ContactsOutcome> contacts;
    if (!contactsToAdd.empty()) { // in key order of the search field just read
        contacts = list.addContactsFrom(contactsToAdd, session::ListSession::keyColumnOf(stored));
    }
    start.window = std::make_unique<TForm1>(list, stored);
    for (const std::string& error : list.errors()) {
        start.errors << QString::fromStdString(error);
    }
    for (const std::string& notice : list.notices()) {
        start.notices << QString::fromStdString(notice);
    }
    if (contacts) {
        (contacts->kind == session::ContactsOutcome::Kind::Failed ? start.errors : start.notices)
            << QString::fromStdString(contacts->text);
    }
    return start;
}

int runProgram(const session::Places& places, const std::filesystem::path& contactsToAdd,
               instance::Rendezvous* laterStarts) {
    std::optional<WindowStart> start = startWindow(places, contactsToAdd);
    if (!start) {
        return 0;
    }
    TForm1& form1 = *start->window;
    for (const QString& error : start->errors) {
        ui::showErrorBox(nullptr, error);
    }
    // From here on a request to end is served by the loop.
    const CloseRequests closeRequests(form1, [&form1] { form1.saveWithoutClosing(); });
    form1.show();
    std::optional<instance::OpenRequests> openRequests;
    if (laterStarts) {
        openRequests.emplace(*laterStarts, form1, [&form1](const std::filesystem::path& file, bool tell) {
            form1.addContactsFrom(file, tell);
        });
    }
    if (!start->notices.isEmpty()) { // once the window stands, over it
        QTimer::singleShot(0, &form1, [&form1, notices = start->notices] {
            for (const QString& notice : notices) {
                ui::showInformation(&form1, notice);
            }
        });
    }
    return QApplication::exec();
}

std::filesystem::path defaultSettingsFile() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::filesystem::path(config.toStdString()) / "numberwell" / "user.reg";
}
