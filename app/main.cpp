#include "Application.h"
#include "Program.h"

int main(int argc, char** argv) {
    Application application(argc, argv);
    // The folder of the running executable itself, not of argv[0] or the current folder.
    const std::filesystem::path folder = QCoreApplication::applicationDirPath().toStdString();
    return runProgram(folder, defaultSettingsFile());
}
