#pragma once

#include <filesystem>

// Creates the four windows in their order and runs the event loop until the main window has closed.
int runProgram(const std::filesystem::path& programFolder, const std::filesystem::path& settingsFile);

// $XDG_CONFIG_HOME/numberwell/user.reg (~/.config when unset).
std::filesystem::path defaultSettingsFile();
