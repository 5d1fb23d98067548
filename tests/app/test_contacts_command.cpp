// The command line: --import and --export on the real executable, and the lock that keeps an import
// away from a list a window has open.
#include "files/FileLock.h"
#include "settings/SettingsKey.h"
#include "settings/ViewSettings.h"
#include "support/TempFolder.h"

#include <QProcess>
#include <QTest>

#include <csignal>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// A program folder of its own, with the executable in it, and settings of its own.
struct ProgramFolder {
    testsupport::TempFolder folder;
    fs::path program = folder / "numberwell";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();

    ProgramFolder() {
        fs::copy_file(NUMBERWELL_EXECUTABLE, program);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("HOME", QString::fromStdString(folder.path().string()));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString((folder / "config").string()));
    }
    // As a window's close leaves them: all values, here with this search field.
    void searchField(int combo) const {
        settings::ViewValues values;
        values.maximised = false;
        values.left = values.top = 0;
        values.width = 640;
        values.height = 261;
        values.combo = combo;
        values.ratios.fill(5.0);
        values.printSize = values.fontSize = 8;
        settings::writeViewSettings(folder / "config" / "numberwell" / "user.reg", values);
    }
    std::string list() const { return testsupport::readBytes(folder / "Adressen.txt"); }
};

struct Finished {
    int status;
    QString out;
    QString err;
};

Finished runCommand(const ProgramFolder& where, const QStringList& arguments) {
    QProcess run;
    run.setProcessEnvironment(where.environment);
    run.start(QString::fromStdString(where.program.string()), arguments);
    if (!run.waitForFinished(20000)) {
        run.kill();
        return {-1, {}, QStringLiteral("did not end")};
    }
    return {run.exitCode(), QString::fromUtf8(run.readAllStandardOutput()),
            QString::fromUtf8(run.readAllStandardError())};
}

QString path(const fs::path& file) {
    return QString::fromStdString(file.string());
}

const std::string Vcards = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:M\xc3\xbcller;Eva;;;\r\nTEL:444\r\nEND:VCARD\r\n"
                           "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Zora;;;\r\nEND:VCARD\r\n"
                           "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ott;Anton;;;\r\n";

} // namespace

class ContactsCommandTest : public QObject {
    Q_OBJECT
private slots:
    void importAddsInKeyOrderAndSaves();
    void importIsRefusedWhileAWindowHasTheList();
    void importFailsClearly_data();
    void importFailsClearly();
    void exportThenImportGivesTheSameRecords_data();
    void exportThenImportGivesTheSameRecords();
};

// As Add would: each in key order of the last run's search field (here Firstname), beside what was there.
void ContactsCommandTest::importAddsInKeyOrderAndSaves() {
    const ProgramFolder where;
    testsupport::writeBytes(where.folder / "Adressen.txt", "Adams|Bea|||||\r\nZuse|Konrad|||||\r\n");
    where.searchField(1);
    testsupport::writeBytes(where.folder / "in.vcf", Vcards);
    const Finished done = runCommand(where, {"--import", path(where.folder / "in.vcf")});
    QCOMPARE(done.status, 0);
    QCOMPARE(done.out, QStringLiteral("2 contacts added, 1 skipped: card 3 (line 10) has no END:VCARD\n"));
    QCOMPARE(where.list(), std::string("Adams|Bea|||||\r\nM\xfcller|Eva|||444||\r\nZuse|Konrad|||||\r\n"
                                       "Berg|Zora|||||\r\n"));
}

// Every window holds a shared lock on its folder; an import takes it alone or not at all.
void ContactsCommandTest::importIsRefusedWhileAWindowHasTheList() {
    const ProgramFolder where;
    const std::string list = "Zuse|Konrad|||||\r\n";
    testsupport::writeBytes(where.folder / "Adressen.txt", list);
    testsupport::writeBytes(where.folder / "in.vcf", Vcards);
    QProcess window;
    window.setProcessEnvironment(where.environment);
    window.start(path(where.program), {});
    QVERIFY(window.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!files::FileLock::tryTake(where.folder.path(), files::FileLock::Kind::Exclusive),
                             20000);

    const Finished refused = runCommand(where, {"--import", path(where.folder / "in.vcf")});
    QCOMPARE(refused.status, 1);
    QVERIFY2(refused.err.contains(QStringLiteral("open in a Numberwell window")), qPrintable(refused.err));
    QCOMPARE(where.list(), list);

    QTRY_VERIFY_WITH_TIMEOUT(window.state() == QProcess::Running && window.processId() > 0, 1000);
    ::kill(static_cast<pid_t>(window.processId()), SIGTERM);
    QVERIFY(window.waitForFinished(20000));
    QCOMPARE(window.exitCode(), 0);
    QCOMPARE(runCommand(where, {"--import", path(where.folder / "in.vcf")}).status, 0);
}

void ContactsCommandTest::importFailsClearly_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("listIsAFolder");
    QTest::addColumn<QString>("told");
    QTest::newRow("no such file") << "missing.vcf" << false << "E/A-Fehler 2: No such file or directory";
    QTest::newRow("no contacts file") << "in.txt" << false << "in.txt is neither a vCard";
    QTest::newRow("list unreadable") << "in.vcf" << true << "the address list could not be read";
}

// Nothing is added, the list stays as it was, and standard error says why.
void ContactsCommandTest::importFailsClearly() {
    QFETCH(QString, file);
    QFETCH(bool, listIsAFolder);
    QFETCH(QString, told);
    const ProgramFolder where;
    testsupport::writeBytes(where.folder / "in.vcf", Vcards);
    testsupport::writeBytes(where.folder / "in.txt", Vcards);
    if (listIsAFolder) {
        fs::create_directory(where.folder / "Adressen.txt");
    } else {
        testsupport::writeBytes(where.folder / "Adressen.txt", "Zuse|Konrad|||||\r\n");
    }
    const Finished done = runCommand(where, {"--import", path(where.folder / file.toStdString())});
    QCOMPARE(done.status, 1);
    QVERIFY2(done.err.startsWith(QStringLiteral("numberwell: ")) && done.err.contains(told),
             qPrintable(done.err));
    QVERIFY(done.out.isEmpty());
    QVERIFY(listIsAFolder || where.list() == "Zuse|Konrad|||||\r\n");
}

void ContactsCommandTest::exportThenImportGivesTheSameRecords_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("vCard") << "list.vcf";
    QTest::newRow("CSV") << "list.csv";
}

// Into an empty list, the records that the mapping leaves as they are come back in the same order.
void ContactsCommandTest::exportThenImportGivesTheSameRecords() {
    QFETCH(QString, file);
    const std::string list =
        "Adams|Bea|B.|Hauptstr. 1, 12345 K\xf6ln|0221 1 / 0221 2|bea@example.org|Geb. 1.2.\r\n"
        "M\xfcller|J\xfcrgen||||j@example.org|\r\n"
        "Zuse|Konrad|||030 3||Rechner; Z3\r\n";
    const ProgramFolder from;
    testsupport::writeBytes(from.folder / "Adressen.txt", list);
    const Finished exported = runCommand(from, {"--export", path(from.folder / file.toStdString())});
    QCOMPARE(exported.status, 0);
    QCOMPARE(exported.out,
             QStringLiteral("3 contacts written to %1\n").arg(path(from.folder / file.toStdString())));

    const ProgramFolder into;
    testsupport::writeBytes(into.folder / "Adressen.txt", "");
    const Finished imported = runCommand(into, {"--import", path(from.folder / file.toStdString())});
    QCOMPARE(imported.status, 0);
    QCOMPARE(into.list(), list);
}

QTEST_GUILESS_MAIN(ContactsCommandTest)
#include "test_contacts_command.moc"
