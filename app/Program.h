#pragma once

#include <filesystem>

namespace instance {
class Rendezvous;
}

// Creates the four windows in their order and runs the event loop until the main window has closed. The
// contacts of contactsToAdd (when given) go into the list at start, and a notice says what happened.
// Later starts of the program that meet at the rendezvous (when given) are served by the window.
int runProgram(const std::filesystem::path& programFolder, const std::filesystem::path& settingsFile,
               const std::filesystem::path& contactsToAdd = {}, instance::Rendezvous* laterStarts = nullptr);

// $XDG_CONFIG_HOME/numberwell/user.reg (~/.config when unset).
std::filesystem::path defaultSettingsFile();
