#pragma once

#include "session/ListSession.h"
#include "ui/Unit1.h"

#include <QStringList>

#include <filesystem>
#include <memory>
#include <optional>

// The list opened for the window, and the window over it, with what the user is to be told: errors in
// the error box before the window shows, notices once it stands.
struct WindowStart {
    std::unique_ptr<session::ListSession> list;
    std::unique_ptr<TForm1> window;
    QStringList errors;
    QStringList notices;
};

// Opens the list and creates the windows in their order; the contacts of contactsToAdd (when given) go
// into the list. Nothing when the write probe failed: its notice was shown, and the program must end.
// Tests give an address book of their own.
std::optional<WindowStart> startWindow(const session::Places& places,
                                       const std::filesystem::path& contactsToAdd,
                                       std::unique_ptr<book::AddressBook> book = {});

namespace instance {
class Rendezvous;
}

// The start, then the event loop until the main window has closed. Later starts of the program that meet
// at the rendezvous (when given) are served by the window.
int runProgram(const session::Places& places, const std::filesystem::path& contactsToAdd = {},
               instance::Rendezvous* laterStarts = nullptr);

// $XDG_CONFIG_HOME/numberwell/user.reg (~/.config when unset).
std::filesystem::path defaultSettingsFile();
