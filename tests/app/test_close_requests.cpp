// The real executable, ended by the signals of log-off, shutdown and a terminal's Ctrl+C.
#include "support/TempFolder.h"

#include <QProcess>
#include <QTest>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The handlers are installed just before the event loop starts; a signal sent earlier would kill.
bool catchesSignal(qint64 pid, int signalNumber) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("SigCgt:")) {
            const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
            return (caught >> (signalNumber - 1)) & 1U;
        }
    }
    return false;
}

} // namespace

class CloseRequestsTest : public QObject {
    Q_OBJECT
private slots:
    void signalClosesAsTheCloseBoxDoes_data();
    void signalClosesAsTheCloseBoxDoes();
};

void CloseRequestsTest::signalClosesAsTheCloseBoxDoes_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
    QTest::newRow("SIGINT") << SIGINT;
}

void CloseRequestsTest::signalClosesAsTheCloseBoxDoes() {
    QFETCH(int, signalNumber);
    const testsupport::TempFolder folder;
    const std::filesystem::path program = folder / "numberwell";
    std::filesystem::copy_file(NUMBERWELL_EXECUTABLE, program);
    const std::string addresses = "Zuse|Konrad|||||\r\n";
    testsupport::writeBytes(folder / "Adressen.txt", addresses);

    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("HOME", QString::fromStdString(folder.path().string()));
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString((folder / "config").string()));
    run.setProcessEnvironment(environment);
    run.start(QString::fromStdString(program.string()), {});
    QVERIFY(run.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(run.processId(), signalNumber), 20000);

    ::kill(static_cast<pid_t>(run.processId()), signalNumber);
    QVERIFY(run.waitForFinished(20000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
    // The settings are written at every close; the unchanged list is not.
    const std::string settings = testsupport::readBytes(folder / "config" / "numberwell" / "user.reg");
    QVERIFY(settings.find("\"combo\"=dword:00000000") != std::string::npos);
    QCOMPARE(testsupport::readBytes(folder / "Adressen.txt"), addresses);
}

QTEST_GUILESS_MAIN(CloseRequestsTest)
#include "test_close_requests.moc"
