#include "Application.h"
#include "CommandLine.h"
#include "ContactsCommand.h"
#include "Program.h"

#include <iostream>
#include <string_view>
#include <vector>

namespace {

// The folder of the running executable itself, not of argv[0] or the current folder.
std::filesystem::path programFolder() {
    return QCoreApplication::applicationDirPath().toStdString();
}

CommandLine commandLine(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    CommandLine line = parseCommandLine(arguments);
    if (!line.file.empty()) {
        line.file = std::filesystem::absolute(line.file); // the window changes the working folder
    }
    return line;
}

bool withoutWindow(int argc, char** argv) {
    const std::string_view first = argc > 1 ? argv[1] : "";
    return first == "--import" || first == "--export";
}

// Once the application object has taken what is its own out of argv.
int run(int argc, char** argv) {
    const CommandLine line = commandLine(argc, argv);
    if (!line.error.empty()) {
        std::cerr << "numberwell: " << line.error << '\n';
        return 1;
    }
    const session::Places places{programFolder(), defaultSettingsFile()};
    switch (line.action) {
    case CommandLine::Action::Import:
        return importContacts(places, line.file, std::cout, std::cerr);
    case CommandLine::Action::Export:
        return exportContacts(places, line.file, std::cout, std::cerr);
    case CommandLine::Action::Window:
        break;
    }
    return runProgram(places, line.file);
}

} // namespace

int main(int argc, char** argv) {
    if (withoutWindow(argc, argv)) { // no display needed
        const QCoreApplication application(argc, argv);
        return run(argc, argv);
    }
    Application application(argc, argv); // takes the toolkit's own options out of argv
    return run(argc, argv);
}
