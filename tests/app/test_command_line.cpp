// The command line: what each set of arguments asks, and how the real executable answers help, the
// version and mistakes without a display and without touching a file.
#include "app/CommandLine.h"
#include "support/TempFolder.h"

#include <QProcess>
#include <QTest>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void parseSync();
    void answeredWithoutDisplay_data();
    void answeredWithoutDisplay();
};

void CommandLineTest::parse_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("error");
    using Action = CommandLine::Action;
    const int window = int(Action::Window);
    QTest::newRow("nothing") << QStringList{} << window << ""
                             << "";
    QTest::newRow("open with") << QStringList{"a.vcf"} << window << "a.vcf"
                               << "";
    QTest::newRow("import") << QStringList{"--import", "a.csv"} << int(Action::Import) << "a.csv"
                            << "";
    QTest::newRow("export") << QStringList{"--export", "b.vcf"} << int(Action::Export) << "b.vcf"
                            << "";
    QTest::newRow("a file named like an option")
        << QStringList{"--import", "--x"} << int(Action::Import) << "--x"
        << "";
    QTest::newRow("help wins") << QStringList{"a.vcf", "--help", "--bogus"} << int(Action::Help) << ""
                               << "";
    QTest::newRow("version") << QStringList{"--version"} << int(Action::Version) << ""
                             << "";
    // A session manager restarts the window with the toolkit's options.
    QTest::newRow("toolkit options") << QStringList{"-session", "abc_1", "--style=fusion", "-reverse",
                                                    "a.vcf"}
                                     << window << "a.vcf"
                                     << "";
    QTest::newRow("import without file") << QStringList{"--import"} << 0 << ""
                                         << "--import needs a FILE";
    QTest::newRow("export of two") << QStringList{"--export", "a", "b"} << 0 << ""
                                   << "--export takes one file";
    QTest::newRow("file then import") << QStringList{"a", "--import", "b"} << 0 << ""
                                      << "--import takes one file";
    QTest::newRow("unknown option") << QStringList{"--merge", "a.vcf"} << 0 << ""
                                    << "unknown option --merge";
    QTest::newRow("two options") << QStringList{"--import", "a", "--export", "b"} << 0 << ""
                                 << "one option at a time: --import and --export";
    QTest::newRow("two files") << QStringList{"a.vcf", "b.vcf"} << 0 << ""
                               << "one file at a time";
    QTest::newRow("empty file name") << QStringList{""} << 0 << ""
                                     << "an empty file name";
}

void CommandLineTest::parse() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, file);
    QFETCH(QString, error);
    std::vector<std::string> texts;
    for (const QString& argument : arguments) {
        texts.push_back(argument.toStdString());
    }
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    const CommandLine line = parseCommandLine(views);
    QCOMPARE(QString::fromStdString(line.error), error);
    if (error.isEmpty()) {
        QCOMPARE(int(line.action), action);
        QCOMPARE(QString::fromStdString(line.file.string()), file);
    }
}

// --sync's own options go with it alone, in any order.
void CommandLineTest::parseSync() {
    const auto parse = [](std::initializer_list<std::string_view> arguments) {
        return parseCommandLine(std::vector<std::string_view>(arguments));
    };
    const CommandLine line =
        parse({"--user", "alice", "--sync", "dav.example.org", "--password-stdin", "--force"});
    QCOMPARE(line.error, std::string());
    QCOMPARE(int(line.action), int(CommandLine::Action::Sync));
    QCOMPARE(line.url, std::string("dav.example.org"));
    QCOMPARE(line.user, std::string("alice"));
    QVERIFY(line.passwordFromStdin && line.force && line.file.empty());
    QCOMPARE(parse({"--sync"}).error + parse({"--sync"}).url, std::string());
    QCOMPARE(parse({"--force"}).error, std::string("--force goes with --sync"));
    QCOMPARE(parse({"--import", "a", "--user", "x"}).error, std::string("--user goes with --sync"));
    QCOMPARE(parse({"--sync", "a", "b"}).error, std::string("--sync takes one URL"));
    QCOMPARE(parse({"--sync", "--user"}).error, std::string("--user needs a NAME"));
}

void CommandLineTest::answeredWithoutDisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString usage = QString::fromStdString(usageText());
    QTest::newRow("help") << QStringList{"--help"} << 0 << usage << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "numberwell 1.0\n"
                             << "";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << ""
                                    << "numberwell: unknown option --bogus\n" + usage;
    QTest::newRow("missing argument") << QStringList{"--export"} << 2 << ""
                                      << "numberwell: --export needs a FILE\n" + usage;
    QTest::newRow("two files") << QStringList{"a.vcf", "b.vcf"} << 2 << ""
                               << "numberwell: one file at a time\n" + usage;
}

// No display and no platform to fall back on: a toolkit object would abort the program. Nothing is
// written beside the program, in the settings or where it was started.
void CommandLineTest::answeredWithoutDisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const testsupport::TempFolder folder;
    fs::create_directories(folder / "program");
    fs::create_directories(folder / "home");
    const fs::path program = folder / "program" / "numberwell";
    fs::copy_file(NUMBERWELL_EXECUTABLE, program);
    QProcessEnvironment environment;
    environment.insert("PATH", qEnvironmentVariable("PATH"));
    environment.insert("HOME", QString::fromStdString((folder / "home").string()));
    QProcess run;
    run.setProcessEnvironment(environment);
    run.setWorkingDirectory(QString::fromStdString((folder / "home").string()));
    run.start(QString::fromStdString(program.string()), arguments);
    QVERIFY(run.waitForFinished(10000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(QString::fromUtf8(run.readAllStandardError()), err);
    QCOMPARE(QString::fromUtf8(run.readAllStandardOutput()), out);
    QCOMPARE(run.exitCode(), status);
    QCOMPARE(testsupport::filesIn(folder / "program"), std::set<std::string>{"numberwell"});
    QVERIFY(testsupport::filesIn(folder / "home").empty());
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_command_line.moc"
