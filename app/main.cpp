#include "Application.h"
#include "CommandLine.h"
#include "ContactsCommand.h"
#include "Program.h"
#include "SyncCommand.h"
#include "instance/Rendezvous.h"

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

// Once the application object exists.
int runCommand(const CommandLine& line) {
    const session::Places places{programFolder(), defaultSettingsFile()};
    if (line.action == CommandLine::Action::Import) {
        return importContacts(places, line.file, std::cout, std::cerr);
    }
    if (line.action == CommandLine::Action::Sync) {
        return synchroniseList(places, line, std::cin, std::cout, std::cerr);
    }
    return exportContacts(places, line.file, std::cout, std::cerr);
}

} // namespace

// Help, the version and every mistake are answered before any toolkit object exists: no display is
// needed for them, and no file is touched.
int main(int argc, char** argv) {
    const CommandLine line = commandLine(argc, argv);
    if (!line.error.empty()) {
        std::cerr << "numberwell: " << line.error << '\n' << usageText();
        return UsageErrorStatus;
    }
    switch (line.action) {
    case CommandLine::Action::Help:
        std::cout << usageText();
        return 0;
    case CommandLine::Action::Version:
        std::cout << VersionText << '\n';
        return 0;
    case CommandLine::Action::Import:
    case CommandLine::Action::Export:
    case CommandLine::Action::Sync: {
        const QCoreApplication application(argc, argv); // no display needed
        return runCommand(line);
    }
    case CommandLine::Action::Window:
        break;
    }
    // The toolkit takes the startup notification id out of the environment for its own first window.
    const QByteArray startupId = qgetenv("DESKTOP_STARTUP_ID");
    Application application(argc, argv);
    instance::Rendezvous laterStarts(programFolder());
    if (laterStarts.handOver({QString::fromStdString(line.file.string()), startupId})) {
        return 0; // a window has the list, and has the request now
    }
    return runProgram({programFolder(), defaultSettingsFile()}, line.file, &laterStarts);
}
