// Every remaining command of the main window, driven once from its menu item or button: font sizes,
// e-mail and web links through a recording stand-in for xdg-open, the information dialog, the About
// message and printing without a printer.
#include "MainWindowRun.h"
#include "support/FailOnWarnings.h"
#include "support/ModalDriver.h"
#include "ui/AddressGrid.h"
#include "ui/WebAddress.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

// What the font size dialog showed when it opened.
struct Shown {
    QString title;
    int value = 0;
};

// Sets the spin field of the font size dialog and confirms, or cancels; notes what it showed first.
void answerFontSize(int points, bool accept, Shown* shown = nullptr) {
    whenModalOpens([points, accept, shown](QWidget* dialog) {
        auto* const spinField = dialog->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"));
        if (shown != nullptr) {
            *shown = {dialog->windowTitle(), spinField->value()};
        }
        spinField->setValue(points);
        QTest::mouseClick(
            dialog->findChild<QPushButton*>(accept ? QStringLiteral("Button1") : QStringLiteral("Button2")),
            Qt::LeftButton);
    });
}

void trigger(TForm1& form, const char* action) {
    form.findChild<QAction*>(QString::fromLatin1(action))->trigger();
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void initTestCase();
    void viewingFontSizeSetsEveryRow_data();
    void viewingFontSizeSetsEveryRow();
    void cancelledFontSizeChangesNothing();
    void printFontSizeIsKeptForThePrintout();
    void emailHandsExactlyTheCellToXdgOpen();
    void webLinksOpenTheWebAddress();
    void otherProgramsIgnoresEscape();
    void aboutShowsFiveLines();
    void printingWithoutAPrinterSaysSo();

private:
    QString recordedArguments();
    QTemporaryDir bin_;
};

void CommandsTest::initTestCase() {
    // A stand-in xdg-open that writes its arguments, one per line, and nothing else.
    const QString script = bin_.filePath(QStringLiteral("xdg-open"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> \"$(dirname \"$0\")/opened\"\n");
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("PATH", bin_.path().toLocal8Bit() + ':' + qgetenv("PATH"));
    // No scheduler answers here, so no printer is known.
    qputenv("CUPS_SERVER", bin_.filePath(QStringLiteral("no-cupsd.sock")).toLocal8Bit());
}

QString CommandsTest::recordedArguments() {
    QFile file(bin_.filePath(QStringLiteral("opened")));
    QString text;
    for (int wait = 0; wait < 300 && text.isEmpty(); ++wait) {
        QTest::qWait(10);
        if (file.open(QIODevice::ReadOnly)) {
            text = QString::fromUtf8(file.readAll());
            file.close();
        }
    }
    file.remove();
    return text;
}

void CommandsTest::viewingFontSizeSetsEveryRow_data() {
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("rowHeight");
    QTest::newRow("8") << 8 << 17;
    QTest::newRow("10") << 10 << 19;
    QTest::newRow("12") << 12 << 22;
    QTest::newRow("72") << 72 << 102;
    QTest::newRow("0 becomes 1") << 0 << 7;
}

void CommandsTest::viewingFontSizeSetsEveryRow() {
    QFETCH(int, points);
    QFETCH(int, rowHeight);
    MainWindowRun run;
    TForm1& form = run.start();
    QCOMPARE(form.rowHeight(), 16);
    Shown shown;
    answerFontSize(points, true, &shown);
    trigger(form, "Schriftgre1");
    QCOMPARE(shown.title, QStringLiteral("Font size for viewing"));
    QCOMPARE(form.rowHeight(), rowHeight);
    QCOMPARE(run.grid().rowViewportPosition(0), 0);
    QCOMPARE(run.grid().horizontalHeader()->height(), rowHeight);
}

void CommandsTest::cancelledFontSizeChangesNothing() {
    MainWindowRun run;
    TForm1& form = run.start();
    answerFontSize(20, false);
    trigger(form, "Schriftgre1");
    whenModalOpens([](QWidget* dialog) {
        dialog->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->setValue(30);
        dialog->close(); // the close box counts as cancel
    });
    trigger(form, "Schriftgre1");
    QCOMPARE(form.rowHeight(), 16);
    QCOMPARE(form.gridFontPoints(), 8);
}

void CommandsTest::printFontSizeIsKeptForThePrintout() {
    MainWindowRun run;
    TForm1& form = run.start();
    Shown shown;
    answerFontSize(14, true, &shown);
    trigger(form, "SchriftgrefrDrucker1");
    QCOMPARE(shown.title, QStringLiteral("Font size for printer"));
    QCOMPARE(shown.value, 8);
    QCOMPARE(form.printFontSize(), 14);
    QCOMPARE(form.rowHeight(), 16);
    QVERIFY(run.close());
    QVERIFY(run.settings().contains("\"printsize\"=dword:0000000e"));
}

void CommandsTest::emailHandsExactlyTheCellToXdgOpen() {
    MainWindowRun run;
    run.writeAddresses("Ann||||| ann@example.org ?x=1&y|\r\nBob|||||\r\n");
    TForm1& form = run.start();
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Button4")), Qt::LeftButton);
    QCOMPARE(recordedArguments(), QStringLiteral("mailto: ann@example.org ?x=1&y\n"));
    run.press(Qt::Key_Down); // Bob has no address: button, menu item and F5 do nothing
    QVERIFY(!form.findChild<QAction*>(QStringLiteral("email1"))->isEnabled());
    run.press(Qt::Key_F5);
    QCOMPARE(recordedArguments(), QString());
}

void CommandsTest::webLinksOpenTheWebAddress() {
    MainWindowRun run;
    TForm1& form = run.start();
    auto* const homepage = form.findChild<QToolButton*>(QStringLiteral("Button5"));
    QCOMPARE(homepage->focusPolicy(), Qt::NoFocus);
    QTest::mouseClick(homepage, Qt::LeftButton);
    QCOMPARE(recordedArguments(), QString::fromLatin1(ui::WebAddress) + u'\n');
    bool stillOpen = false;
    whenModalOpens([&stillOpen](QWidget* dialog) {
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button2")), Qt::LeftButton);
        stillOpen = dialog->isVisible();
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    });
    trigger(form, "AndereProgramme1");
    QVERIFY(stillOpen); // "Internet" leaves the dialog open
    QCOMPARE(recordedArguments(), QString::fromLatin1(ui::WebAddress) + u'\n');
}

void CommandsTest::otherProgramsIgnoresEscape() {
    MainWindowRun run;
    TForm1& form = run.start();
    QString title;
    bool stillOpen = false;
    whenModalOpens([&](QWidget* dialog) {
        title = dialog->windowTitle();
        QTest::keyClick(dialog, Qt::Key_Escape);
        stillOpen = dialog->isVisible();
        dialog->close();
    });
    trigger(form, "AndereProgramme1");
    QCOMPARE(title, QStringLiteral("Weitere Programme"));
    QVERIFY(stillOpen);
    QTRY_COMPARE(QApplication::focusWidget(), &run.searchBox());
}

void CommandsTest::aboutShowsFiveLines() {
    MainWindowRun run;
    TForm1& form = run.start();
    form.move(20, 30); // the box stands in the middle of the screen all the same
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QRect box;
    whenModalOpens([&](QWidget* modal) {
        if (const auto* const message = qobject_cast<QMessageBox*>(modal)) {
            title = message->windowTitle();
            text = message->text();
            icon = message->icon();
            box = message->frameGeometry();
        }
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    trigger(form, "About1");
    QCOMPARE(title, QStringLiteral("Information"));
    QCOMPARE(icon, QMessageBox::Information);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(box.topLeft(), screen.topLeft() + QPoint((screen.width() - box.width()) / 2,
                                                      (screen.height() - box.height()) / 2));
    const QStringList lines = text.split(u'\n');
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.first(), QStringLiteral("Numberwell Version 1.0"));
    QVERIFY(text.contains(QString::fromLatin1(ui::WebAddress)));
}

void CommandsTest::printingWithoutAPrinterSaysSo() {
    MainWindowRun run;
    run.start();
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenModalOpens([&](QWidget* modal) {
        if (const auto* const box = qobject_cast<QMessageBox*>(modal)) {
            text = box->text();
            icon = box->icon();
        }
        QTest::keyClick(modal, Qt::Key_Return);
    });
    run.press(Qt::Key_F8);
    QCOMPARE(text, QStringLiteral("Zur Zeit ist kein Standard-Drucker gewählt."));
    QCOMPARE(icon, QMessageBox::Critical);
}

QTEST_MAIN(CommandsTest)
#include "test_commands.moc"
