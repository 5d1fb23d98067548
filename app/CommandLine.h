#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

// What the program is asked on its command line (the toolkit's own options already taken out):
//   numberwell                  the window
//   numberwell FILE             the window, and FILE's contacts added to the list (as "open with" does)
//   numberwell --import FILE    FILE's contacts added to the list without a window
//   numberwell --export FILE    the whole list written to FILE, vCard or CSV by its ending
struct CommandLine {
    enum class Action { Window, Import, Export };
    Action action = Action::Window;
    std::filesystem::path file; // may be empty for the window
    std::string error;          // what is wrong with the arguments, for standard error
};

CommandLine parseCommandLine(std::span<const std::string_view> arguments); // without the program's name
