// "Print list" from the menu, with the print dialog accepted as a person would, into a real queue of
// our own (tests/print/cups-pdf-queue.sh); and the window while the pages go out.
#include "MainWindowRun.h"
#include "support/FailOnWarnings.h"
#include "support/ModalDriver.h"

#include <QDeadlineTimer>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

class PrintCommandTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void initTestCase();
    void cleanupTestCase();
    void printsOneJobNamedAddressList();
    void theWindowWorksOnDuringAPrint();
    void closeDuringAPrintSavesAndSendsNoHalfJob();

private:
    int queue(const QString& command, QByteArray* output = nullptr);
    QByteArray pageLog() const;
    int jobsKnown() const;
    QStringList editorLines(TForm1& form) const;
    QTemporaryDir folder_{QStringLiteral("/tmp/nwq-XXXXXX")};
    bool started_ = false;
};

int PrintCommandTest::queue(const QString& command, QByteArray* output) {
    QProcess process;
    process.start(QStringLiteral("bash"), {QStringLiteral(CUPS_PDF_QUEUE_SCRIPT), command, folder_.path()});
    process.waitForFinished(120000);
    if (output) {
        *output = process.readAllStandardOutput();
    }
    return process.exitCode();
}

QByteArray PrintCommandTest::pageLog() const {
    QFile log(folder_.filePath(QStringLiteral("log/page_log")));
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

// Every job the scheduler knows of, finished, cancelled or still pending.
int PrintCommandTest::jobsKnown() const {
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"),
                 {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o")});
    lpstat.waitForFinished(20000);
    return static_cast<int>(lpstat.readAllStandardOutput().count('\n'));
}

QStringList PrintCommandTest::editorLines(TForm1& form) const {
    return form.findChild<QTextEdit*>(QStringLiteral("editor"))->toPlainText().split(u'\n');
}

// Rows enough for a print of some seconds: it shows the progress dialog.
QByteArray manyAddresses() {
    QByteArray list;
    for (int row = 0; row < 30000; ++row) {
        list += "Name" + QByteArray::number(row).rightJustified(5, '0') + "|First|||555 " +
                QByteArray::number(row) + "||\r\n";
    }
    return list;
}

void acceptPrintDialog() {
    whenModalOpens([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->accept(); });
}

void PrintCommandTest::initTestCase() {
    QByteArray variables;
    const int status = queue(QStringLiteral("start"), &variables);
    if (status == 77) {
        QSKIP("no private print queue on this machine (needs root, cupsd and cups-pdf)");
    }
    QCOMPARE(status, 0);
    started_ = true;
    for (const QByteArray& line : variables.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0) {
            qputenv(line.left(equals).constData(), line.mid(equals + 1));
        }
    }
}

void PrintCommandTest::cleanupTestCase() {
    if (started_) {
        queue(QStringLiteral("stop"));
    }
}

void PrintCommandTest::printsOneJobNamedAddressList() {
    MainWindowRun run;
    run.writeAddresses("Adams|Amy|||555 1||\r\nBaker|Bob|||555 2||\r\n");
    TForm1& form = run.start();
    acceptPrintDialog();
    run.press(Qt::Key_F8);
    QTRY_COMPARE(editorLines(form).size(), 4);
    const QStringList lines = editorLines(form);
    QVERIFY(lines.at(0).startsWith(QStringLiteral("Name  Firstname Alias Address Tel / Fax e-mail Note ")));
    QCOMPARE(lines.at(1), QString());
    QVERIFY(lines.at(2).startsWith(QStringLiteral("Adams Amy")));
    QTRY_VERIFY_WITH_TIMEOUT(pageLog().contains(" total 1 Address list"), 60000);
}

// The print works on the list as it was when it began; a second print is refused meanwhile.
void PrintCommandTest::theWindowWorksOnDuringAPrint() {
    MainWindowRun run;
    run.writeAddresses(manyAddresses());
    TForm1& form = run.start();
    acceptPrintDialog();
    run.press(Qt::Key_F8);
    QTRY_VERIFY(form.findChild<QProgressDialog*>());

    // From the menu: the offscreen platform may give the keyboard to the progress dialog as it shows.
    clickInNextModal(QStringLiteral("OK"));
    run.choose("Lschen1"); // deletes the first record, "Name00000"
    QCOMPARE(run.cell(0, 0), QStringLiteral("Name00001"));
    QString refusal;
    whenModalOpens([&refusal](QWidget* box) {
        refusal = qobject_cast<QMessageBox*>(box)->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    run.choose("Listedrucken1");
    QCOMPARE(refusal, QStringLiteral("Das Drucken ist im Gang."));

    QTRY_VERIFY_WITH_TIMEOUT(pageLog().count("Address list") == 2, 120000);
    QVERIFY(!form.findChild<QProgressDialog*>());
    QCOMPARE(editorLines(form).size(), 30002);
    QVERIFY(editorLines(form).at(2).startsWith(QStringLiteral("Name00000 ")));
}

void PrintCommandTest::closeDuringAPrintSavesAndSendsNoHalfJob() {
    MainWindowRun run;
    run.writeAddresses(manyAddresses());
    run.start();
    const int jobsBefore = jobsKnown();
    clickInNextModal(QStringLiteral("OK"));
    run.press(Qt::Key_F3);
    acceptPrintDialog();
    run.press(Qt::Key_F8);
    QVERIFY(run.close());
    QVERIFY(run.addresses().startsWith("Name00001|"));
    QCOMPARE(jobsKnown(), jobsBefore);
}

QTEST_MAIN(PrintCommandTest)
#include "test_print_command.moc"
