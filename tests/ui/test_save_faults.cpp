// What the file system can do to a save at close: each fault is staged under a running window, and
// afterwards nothing may be lost and the user must have been told.
#include "MainWindowRun.h"
#include "support/FailOnWarnings.h"
#include "support/FailingBook.h"
#include "support/FailureRows.h"
#include "support/ModalDriver.h"
#include "support/TempFolder.h"

#include <QComboBox>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include <sys/mount.h>

namespace fs = std::filesystem;

namespace {

// A tmpfs of a fixed size mounted over the program's folder, for faults only a real disk can show.
class TinyDisk {
public:
    TinyDisk(fs::path folder, int kilobytes)
        : folder_(std::move(folder)), options_("size=" + std::to_string(kilobytes) + "k"),
          mounted_(::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options_.c_str()) == 0),
          error_(mounted_ ? 0 : errno) {}
    ~TinyDisk() {
        if (mounted_) {
            ::umount2(folder_.c_str(), MNT_DETACH);
        }
    }
    TinyDisk(const TinyDisk&) = delete;
    TinyDisk& operator=(const TinyDisk&) = delete;

    bool mounted() const { return mounted_; }
    QByteArray whyNot() const { return std::strerror(error_); }
    void setReadOnly(bool readOnly) const {
        unsigned long flags = MS_REMOUNT;
        if (readOnly) {
            flags |= MS_RDONLY;
        }
        if (::mount(nullptr, folder_.c_str(), nullptr, flags, options_.c_str()) != 0) {
            qFatal("remount %s: %s", folder_.c_str(), std::strerror(errno));
        }
    }

private:
    fs::path folder_;
    std::string options_;
    bool mounted_;
    int error_;
};

// About 170 KB of records: the file holds them in reverse, so choosing the Name field again re-sorts
// every one of them.
QByteArray people(bool ascending) {
    QByteArray text;
    for (int step = 0; step < 2000; ++step) {
        const int number = ascending ? step : 1999 - step;
        text += "Person " + QByteArray::number(number).rightJustified(4, '0') +
                "|Some|Alias|Long Street 12, 12345 Some Town|0123 456789|p@example.org|\r\n";
    }
    return text;
}
const QByteArray Unsorted = people(false);
const QByteArray Sorted = people(true);

// Closes the window, answering the error box that is expected to come, and returns its text.
QString closeAndReadTheErrorBox(MainWindowRun& run, bool& closed) {
    QString text;
    answerNextMessageBox(text);
    closed = run.close();
    return text;
}

void changeTheTable(MainWindowRun& run) {
    run.combo().setFocus();
    QTest::keyClick(&run.combo(), Qt::Key_Down);
    QTest::keyClick(&run.combo(), Qt::Key_Up); // back to Name: the whole list re-sorted, and changed
    QVERIFY(run.form().tableChanged());
}

enum class Fault { DiskFull, FolderReadOnly, FolderRemoved, FolderInTheFilesPlace };

} // namespace

class SaveFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void refusedSaveKeepsEverythingAndTellsWhy_data();
    void refusedSaveKeepsEverythingAndTellsWhy();
    void vanishedFileIsWrittenAgain();
    void anotherProgramsVersionIsKeptAndReported();
    void anyFailureAtSaveKeepsTheWindowOpen_data();
    void anyFailureAtSaveKeepsTheWindowOpen();
    void anyFailureAtLoadIsToldAndStartsWithTheEmptyList_data();
    void anyFailureAtLoadIsToldAndStartsWithTheEmptyList();
};

namespace {} // namespace

void SaveFaultsTest::anyFailureAtSaveKeepsTheWindowOpen_data() {
    testsupport::failureRows();
}

// Whatever breaks off the save, the close is refused and told, the old file stays, and the next close
// saves.
void SaveFaultsTest::anyFailureAtSaveKeepsTheWindowOpen() {
    QFETCH(int, failure);
    QFETCH(QString, told);
    MainWindowRun run;
    run.writeAddresses(Unsorted);
    auto book = std::make_unique<testsupport::FailingBook>(run.folder());
    testsupport::FailingBook& failing = *book;
    run.start(std::move(book));
    changeTheTable(run);
    failing.failWrite = testsupport::failure(failure);

    bool closed = true;
    const QString text = closeAndReadTheErrorBox(run, closed);
    QVERIFY(!closed);
    QVERIFY(run.form().isVisible());
    QVERIFY2(text.contains(told), qPrintable(text));
    QCOMPARE(run.addresses(), Unsorted);
    // The journal stays until a save succeeds: a crash now would still lose nothing.
    QCOMPARE(testsupport::filesIn(run.folder()), (std::set<std::string>{"Adressen.journal", "Adressen.txt"}));

    failing.failWrite = nullptr;
    QVERIFY(run.close());
    QCOMPARE(run.addresses(), Sorted);
    QVERIFY(!fs::exists(run.folder() / "Adressen.journal"));
}

void SaveFaultsTest::anyFailureAtLoadIsToldAndStartsWithTheEmptyList_data() {
    testsupport::failureRows();
}

// Whatever breaks off the load is told, the window starts with the empty list, and the file that was
// not read is kept before the list replaces it.
void SaveFaultsTest::anyFailureAtLoadIsToldAndStartsWithTheEmptyList() {
    QFETCH(int, failure);
    QFETCH(QString, told);
    MainWindowRun run;
    run.writeAddresses(Unsorted);
    auto book = std::make_unique<testsupport::FailingBook>(run.folder());
    book->failRead = testsupport::failure(failure);
    run.start(std::move(book));
    QCOMPARE(run.startupErrors().size(), 1);
    QVERIFY2(run.startupErrors().front().contains(told), qPrintable(run.startupErrors().front()));
    QCOMPARE(run.recordCount(), 1);
    QCOMPARE(run.cell(0, 0), QString());

    changeTheTable(run);
    bool closed = false;
    const QString text = closeAndReadTheErrorBox(run, closed);
    QVERIFY(closed);
    QVERIFY2(text.contains(QStringLiteral("aufbewahrt")), qPrintable(text));
    QCOMPARE(testsupport::filesIn(run.folder()).size(), std::size_t{3}); // the list, the kept one, config
}

void SaveFaultsTest::refusedSaveKeepsEverythingAndTellsWhy_data() {
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full") << Fault::DiskFull << "No space left on device";
    QTest::newRow("folder read-only") << Fault::FolderReadOnly << "Read-only file system";
    QTest::newRow("folder removed") << Fault::FolderRemoved << "No such file or directory";
    QTest::newRow("folder in the file's place") << Fault::FolderInTheFilesPlace << "Is a directory";
}

void SaveFaultsTest::refusedSaveKeepsEverythingAndTellsWhy() {
    QFETCH(Fault, fault);
    QFETCH(QString, reason);
    MainWindowRun run;
    std::optional<TinyDisk> disk;
    if (fault == Fault::DiskFull || fault == Fault::FolderReadOnly) {
        disk.emplace(run.folder(), 512);
        if (!disk->mounted()) {
            QSKIP("mounting a tmpfs needs root (CI runs as root): " + disk->whyNot());
        }
    }
    run.writeAddresses(Unsorted);
    run.start();
    changeTheTable(run);

    switch (fault) {
    case Fault::DiskFull:
        // leaves less than the new file needs
        testsupport::writeBytes(run.folder() / "filler", std::string(256 * 1024, 'x'));
        break;
    case Fault::FolderReadOnly:
        disk->setReadOnly(true);
        break;
    case Fault::FolderRemoved:
        fs::remove_all(run.folder());
        break;
    case Fault::FolderInTheFilesPlace:
        fs::remove(run.addressFile());
        fs::create_directory(run.addressFile());
        break;
    }

    bool closed = true;
    const QString told = closeAndReadTheErrorBox(run, closed);
    QVERIFY(!closed);
    QVERIFY(run.form().isVisible());
    QVERIFY2(told.contains(reason), qPrintable(told));
    QVERIFY(!run.hasAddressFile() || fs::is_directory(run.addressFile()) || run.addresses() == Unsorted);

    switch (fault) { // the user makes room, or puts things right, and closes again
    case Fault::DiskFull:
        QCOMPARE(testsupport::filesIn(run.folder()),
                 (std::set<std::string>{"Adressen.journal", "Adressen.txt", "filler"}));
        fs::remove(run.folder() / "filler");
        break;
    case Fault::FolderReadOnly:
        disk->setReadOnly(false);
        break;
    case Fault::FolderRemoved:
        fs::create_directories(run.folder());
        break;
    case Fault::FolderInTheFilesPlace:
        fs::remove(run.addressFile());
        break;
    }
    QVERIFY(run.close());
    QCOMPARE(run.addresses(), Sorted);
}

void SaveFaultsTest::vanishedFileIsWrittenAgain() {
    MainWindowRun run;
    run.writeAddresses(Unsorted);
    run.start();
    changeTheTable(run);
    fs::remove(run.addressFile());
    QVERIFY(run.close()); // nothing of the other side to keep, so nothing to tell
    QCOMPARE(run.addresses(), Sorted);
}

void SaveFaultsTest::anotherProgramsVersionIsKeptAndReported() {
    MainWindowRun run;
    run.writeAddresses(Unsorted);
    run.start();
    changeTheTable(run);
    const QByteArray theirs = "Written|by|another|program|||\r\n";
    run.writeAddresses(theirs);

    bool closed = false;
    const QString told = closeAndReadTheErrorBox(run, closed);
    QVERIFY(closed);
    QCOMPARE(run.addresses(), Sorted);
    std::set<std::string> names = testsupport::filesIn(run.folder());
    names.erase("Adressen.txt");
    names.erase("config");
    QCOMPARE(names.size(), std::size_t{1});
    const std::string kept = *names.begin();
    QVERIFY2(told.contains(QString::fromStdString(kept)), qPrintable(told));
    QCOMPARE(QByteArray::fromStdString(testsupport::readBytes(run.folder() / kept)), theirs);
}

QTEST_MAIN(SaveFaultsTest)
#include "test_save_faults.moc"
