#pragma once

#include "app/Program.h"
#include "ui/Unit1.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <filesystem>
#include <memory>

class QComboBox;
class QLineEdit;
class AddressGrid;

// One run of the program's windows in a folder of its own, with its own settings file.
class MainWindowRun {
public:
    MainWindowRun();
    ~MainWindowRun();

    std::filesystem::path folder() const;
    std::filesystem::path settingsFile() const;
    std::filesystem::path addressFile() const;

    void writeAddresses(const QByteArray& bytes) const;
    QByteArray addresses() const;
    bool hasAddressFile() const;
    void writeSettings(const QByteArray& text) const;
    QByteArray settings() const;

    // Opens the list and creates the windows as the program does, and shows the main window until it is
    // active; with an address book of the test's own, for the folder(). The errors and notices of the
    // start are kept for the test instead of being shown.
    TForm1& start();
    TForm1& start(std::unique_ptr<book::AddressBook> book);
    const QStringList& startupErrors() const { return start_->errors; }
    const QStringList& notices() const { return start_->notices; }
    // As "open with" starts it: the contacts of the file are added at start.
    void openWith(std::filesystem::path contacts) { contactsToAdd_ = std::move(contacts); }
    // Closes the main window as the close box does; true when it really closed.
    bool close();

    // Presses a key in the search box once the main window is active again (shortcuts need that).
    void press(Qt::Key key);
    // Chooses the menu item, as a click on it does: whichever window has the keyboard.
    void choose(const char* action);

    TForm1& form() { return *start_->window; }
    session::ListSession& list() { return *start_->list; }
    QLineEdit& searchBox();
    QComboBox& combo();
    AddressGrid& grid();
    QString cell(int column, int record) const; // as shown
    int recordCount() const;

private:
    QTemporaryDir dir_;
    std::optional<WindowStart> start_;
    std::filesystem::path contactsToAdd_;
};
