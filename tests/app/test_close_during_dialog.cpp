// A log-off that arrives while a modal dialog is open: what was changed before is saved, and the
// dialog and the program end. Once the program has been told to end, no event loop runs again in
// this process, so this file holds a single case.
#include "app/CloseRequests.h"
#include "support/FailOnWarnings.h"
#include "support/ModalDriver.h"
#include "ui/MainWindowRun.h"

#include <QPushButton>
#include <QTest>

#include <csignal>

class CloseDuringDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void signalDuringTheEntryDialogSavesAndEnds();
};

void CloseDuringDialogTest::signalDuringTheEntryDialogSavesAndEnds() {
    MainWindowRun run;
    run.writeAddresses("Baker|Bob|||||\r\n");
    TForm1& form = run.start();
    const CloseRequests closeRequests(form, [&form] { form.saveWithoutClosing(); });

    whenModalOpens([](QWidget* dialog) {
        QTest::keyClicks(QApplication::focusWidget(), "Adams");
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    });
    run.press(Qt::Key_F2);
    QVERIFY(form.tableChanged());

    whenModalOpens([](QWidget*) { std::raise(SIGTERM); }); // the dialog's own loop has to serve it
    run.press(Qt::Key_F2); // returns only once the dialog's loop has been ended

    QVERIFY(!form.isVisible());
    QCOMPARE(run.addresses(), QByteArray("Adams||||||\r\nBaker|Bob|||||\r\n"));
    QVERIFY(run.settings().contains("\"combo\"=dword:00000000"));
}

QTEST_MAIN(CloseDuringDialogTest)
#include "test_close_during_dialog.moc"
