// One window per list: a second start of the real executable for the same folder hands its file to the
// running window and ends, also after the first window was killed; a copy in another folder is a list
// of its own.
#include "support/TempFolder.h"

#include <QProcess>
#include <QTest>

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string Vcard = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna;;;\r\nEND:VCARD\r\n";

// One user's runtime folder and settings, and copies of the program in folders of their own.
struct Desktop {
    testsupport::TempFolder folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::vector<std::unique_ptr<QProcess>> started;

    Desktop() {
        fs::create_directory(folder / "runtime");
        fs::permissions(folder / "runtime", fs::perms::owner_all);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("HOME", QString::fromStdString(folder.path().string()));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString((folder / "config").string()));
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((folder / "runtime").string()));
        testsupport::writeBytes(folder / "in.vcf", Vcard);
    }
    ~Desktop() {
        for (const auto& process : started) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    fs::path copy(const std::string& name, const std::string& list) const {
        fs::create_directory(folder / name);
        fs::copy_file(NUMBERWELL_EXECUTABLE, folder / name / "numberwell");
        testsupport::writeBytes(folder / name / "Adressen.txt", list);
        return folder / name;
    }
    QProcess& start(const fs::path& program, const QStringList& arguments = {}) {
        started.push_back(std::make_unique<QProcess>());
        QProcess& process = *started.back();
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QString::fromStdString((program / "numberwell").string()), arguments);
        return process;
    }
    std::size_t sockets() const {
        std::size_t count = 0;
        for (const std::string& name : testsupport::filesIn(folder / "runtime")) {
            count += name.ends_with(".socket") ? 1 : 0;
        }
        return count;
    }
    QStringList file() const { return {QString::fromStdString((folder / "in.vcf").string())}; }
};

bool running(QProcess& process) {
    return process.waitForStarted(5000) && !process.waitForFinished(1000);
}

// SIGTERM closes the window as its close box does, which saves the list.
bool closeWindow(QProcess& process) {
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

} // namespace

class SecondStartTest : public QObject {
    Q_OBJECT
private slots:
    void handsTheFileToTheRunningWindow();
    void replacesTheRendezvousOfAKilledWindow();
    void aHangingWindowDoesNotBlockTheNextStart();
    void otherFoldersAreOtherLists();
    void twoStartsAtOnceMakeOneWindow();
};

void SecondStartTest::handsTheFileToTheRunningWindow() {
    Desktop desktop;
    const fs::path list = desktop.copy("p", "Zuse|Konrad|||||\r\n");
    QProcess& window = desktop.start(list);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.sockets(), std::size_t{1}, 10000);

    QProcess& plain = desktop.start(list);
    QVERIFY(plain.waitForFinished(10000));
    QCOMPARE(plain.exitCode(), 0);
    QProcess& withFile = desktop.start(list, desktop.file());
    QVERIFY(withFile.waitForFinished(10000));
    QCOMPARE(withFile.exitCode(), 0);

    QVERIFY(running(window));
    QVERIFY(closeWindow(window));
    QCOMPARE(testsupport::readBytes(list / "Adressen.txt"),
             std::string("Berg|Anna|||||\r\nZuse|Konrad|||||\r\n"));
}

void SecondStartTest::replacesTheRendezvousOfAKilledWindow() {
    Desktop desktop;
    const fs::path list = desktop.copy("p", "Zuse|Konrad|||||\r\n");
    QProcess& killed = desktop.start(list);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.sockets(), std::size_t{1}, 10000);
    killed.kill();
    QVERIFY(killed.waitForFinished(5000));
    QCOMPARE(desktop.sockets(), std::size_t{1}); // left behind

    QProcess& window = desktop.start(list);
    QVERIFY(running(window));
    QProcess& withFile = desktop.start(list, desktop.file());
    QVERIFY(withFile.waitForFinished(10000));
    QCOMPARE(withFile.exitCode(), 0);
    QVERIFY(closeWindow(window));
    QCOMPARE(testsupport::readBytes(list / "Adressen.txt"),
             std::string("Berg|Anna|||||\r\nZuse|Konrad|||||\r\n"));
}

// Stopped, the window cannot answer: the next start waits a few seconds for it, then takes its place.
void SecondStartTest::aHangingWindowDoesNotBlockTheNextStart() {
    Desktop desktop;
    const fs::path list = desktop.copy("p", "");
    QProcess& hanging = desktop.start(list);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.sockets(), std::size_t{1}, 10000);
    ::kill(static_cast<pid_t>(hanging.processId()), SIGSTOP);
    QProcess& window = desktop.start(list);
    QVERIFY(!window.waitForFinished(8000));
    QProcess& later = desktop.start(list);
    QVERIFY(later.waitForFinished(10000));
    QCOMPARE(later.exitCode(), 0);
    ::kill(static_cast<pid_t>(hanging.processId()), SIGCONT);
}

void SecondStartTest::otherFoldersAreOtherLists() {
    Desktop desktop;
    QProcess& first = desktop.start(desktop.copy("p", "Zuse|Konrad|||||\r\n"));
    QTRY_COMPARE_WITH_TIMEOUT(desktop.sockets(), std::size_t{1}, 10000);
    QProcess& other = desktop.start(desktop.copy("q", ""));
    QTRY_COMPARE_WITH_TIMEOUT(desktop.sockets(), std::size_t{2}, 10000);
    QVERIFY(running(first));
    QVERIFY(running(other));
}

void SecondStartTest::twoStartsAtOnceMakeOneWindow() {
    Desktop desktop;
    const fs::path list = desktop.copy("p", "Zuse|Konrad|||||\r\n");
    QProcess& one = desktop.start(list, desktop.file());
    QProcess& two = desktop.start(list, desktop.file());
    QTRY_VERIFY_WITH_TIMEOUT(one.state() == QProcess::NotRunning || two.state() == QProcess::NotRunning,
                             15000);
    QProcess& ended = one.state() == QProcess::NotRunning ? one : two;
    QProcess& window = &ended == &one ? two : one;
    QCOMPARE(ended.exitCode(), 0);
    QVERIFY(running(window));
    QVERIFY(closeWindow(window));
    QCOMPARE(testsupport::readBytes(list / "Adressen.txt"),
             std::string("Berg|Anna|||||\r\nBerg|Anna|||||\r\nZuse|Konrad|||||\r\n"));
}

QTEST_GUILESS_MAIN(SecondStartTest)
#include "test_second_start.moc"
