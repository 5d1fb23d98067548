#pragma once

#include <array>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

// What the program is asked on its command line. It is read before any toolkit object exists, so that
// help, version and every mistake are answered without a display; the toolkit's own options (-display,
// -platform, -session, ...) are left for the toolkit.
struct CommandLine {
    enum class Action { Window, Import, Export, Sync, Help, Version };
    Action action = Action::Window;
    std::filesystem::path file; // the window's contacts to add (may be empty), or the option's FILE
    std::string url;            // --sync: the server or address book; empty for the one of the last sync
    std::string user;           // --sync --user
    bool passwordFromStdin = false;
    bool force = false;
    std::string error; // what is wrong with the arguments, for standard error
};

// One row an option: the parser reads it, and the usage text is made of it.
struct OptionRow {
    enum class Takes { Nothing, File, OptionalUrl, Name };
    std::string_view name;
    std::string_view arguments; // as the usage shows them
    Takes takes;
    std::string_view help;
    CommandLine::Action action;
    // An option that only goes with its action's own option (--user with --sync): where its value goes.
    std::string CommandLine::*text = nullptr;
    bool CommandLine::*flag = nullptr;

    bool qualifies() const { return text != nullptr || flag != nullptr; }
};

inline constexpr std::array<OptionRow, 8> Options = {{
    {"--import", "FILE", OptionRow::Takes::File,
     "add the contacts of FILE (vCard or CSV) to the list, without a window", CommandLine::Action::Import},
    {"--export", "FILE", OptionRow::Takes::File,
     "write the whole list to FILE: vCard, or CSV for a name ending in .csv", CommandLine::Action::Export},
    {"--sync", "[URL]", OptionRow::Takes::OptionalUrl,
     "synchronise with the CardDAV address book at URL, or the last one", CommandLine::Action::Sync},
    {"--user", "NAME", OptionRow::Takes::Name, "with --sync: the user name on the server",
     CommandLine::Action::Sync, &CommandLine::user},
    {"--password-stdin", "", OptionRow::Takes::Nothing,
     "with --sync: the password from standard input, not from the secret service", CommandLine::Action::Sync,
     nullptr, &CommandLine::passwordFromStdin},
    {"--force", "", OptionRow::Takes::Nothing,
     "with --sync: go on where it would delete all or more than half of a side", CommandLine::Action::Sync,
     nullptr, &CommandLine::force},
    {"--help", "", OptionRow::Takes::Nothing, "show this help and end", CommandLine::Action::Help},
    {"--version", "", OptionRow::Takes::Nothing, "show the version and end", CommandLine::Action::Version},
}};

inline constexpr std::string_view VersionText = "numberwell 1.0";

CommandLine parseCommandLine(std::span<const std::string_view> arguments); // without the program's name

// Every option in a line of its own, from the table above.
std::string usageText();

// Usage errors end with this status; a command that fails ends with 1.
inline constexpr int UsageErrorStatus = 2;
