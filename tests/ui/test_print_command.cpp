// "Print list" from the menu, with the print dialog accepted as a person would, into a real queue of
// our own (tests/print/cups-pdf-queue.sh).
#include "MainWindowRun.h"
#include "support/ModalDriver.h"

#include <QDeadlineTimer>
#include <QDialog>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

class PrintCommandTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void printsOneJobNamedAddressList();

private:
    int queue(const QString& command, QByteArray* output = nullptr);
    QByteArray pageLog() const;
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
    whenModalOpens([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->accept(); });
    run.press(Qt::Key_F8);
    const QStringList lines =
        form.findChild<QTextEdit*>(QStringLiteral("editor"))->toPlainText().split(u'\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines.at(0).startsWith(QStringLiteral("Name  Firstname Alias Address Tel / Fax e-mail Note ")));
    QCOMPARE(lines.at(1), QString());
    QVERIFY(lines.at(2).startsWith(QStringLiteral("Adams Amy")));
    QTRY_VERIFY_WITH_TIMEOUT(pageLog().contains(" total 1 Address list"), 60000);
}

QTEST_MAIN(PrintCommandTest)
#include "test_print_command.moc"
