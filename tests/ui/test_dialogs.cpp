// The three dialogs driven with keys and clicks while exec() runs, and the character guard of the
// entry fields on its own.
#include "support/FailOnWarnings.h"
#include "support/ModalDriver.h"
#include "ui/FieldGuard.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"
#include "ui/Unit6.h"
#include "ui/WebAddress.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyleOptionSpinBox>
#include <QTest>

#include <climits>
#include <functional>
#include <source_location>

namespace {

enum class Way { Click, Accelerator, EnterOnButton, EscapeKey, CloseBox, LoopEndedFromOutside };

void press(const QKeySequence& keys) {
    QWidget* const focused = QApplication::focusWidget();
    QVERIFY2(focused, "nothing has the keyboard focus: the dialog closed too early");
    QTest::keySequence(focused, keys);
}

void focusByTab(const QWidget& target) {
    for (int tab = 0; tab < 12 && QApplication::focusWidget() != &target; ++tab) {
        press(QKeySequence(Qt::Key_Tab));
    }
    QCOMPARE(QApplication::focusWidget(), &target);
}

// Leaves the dialog by one of the ways a person has; button is the one clicked, pressed or named.
void leaveBy(Way way, QPushButton& button) {
    switch (way) {
    case Way::Click:
        QTest::mouseClick(&button, Qt::LeftButton);
        break;
    case Way::Accelerator:
        press(QKeySequence::mnemonic(button.text()));
        break;
    case Way::EnterOnButton:
        focusByTab(button);
        press(QKeySequence(Qt::Key_Return));
        break;
    case Way::EscapeKey:
        press(QKeySequence(Qt::Key_Escape));
        break;
    case Way::CloseBox:
        button.window()->close();
        break;
    case Way::LoopEndedFromOutside: // as a log-off ends every loop: no button, no close event
        button.window()->hide();
        break;
    }
}

// Shows the dialog modally with the action answering it from inside its loop; a dialog left open
// fails the test instead of hanging it.
void runModal(QDialog& dialog, const std::function<void()>& action,
              std::source_location where = std::source_location::current()) {
    bool answered = false;
    whenModalOpens(
        [&](QWidget* modal) {
            answered = true;
            QVERIFY(QTest::qWaitForWindowActive(modal));
            action();
        },
        ModalTimeoutMs, where);
    dialog.exec();
    QVERIFY(answered);
    QVERIFY(!dialog.isVisible());
}

QPushButton& button(const QDialog& dialog, const char* name) {
    return *dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

QSpinBox& spinField(const TForm3& dialog) {
    return *dialog.findChild<QSpinBox*>(QStringLiteral("SpinEdit1"));
}

QPlainTextEdit& memo(const TForm6& dialog) {
    return *dialog.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
}

} // namespace

Q_DECLARE_METATYPE(Way)

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void storableCharacters_data();
    void storableCharacters();
    void guardDropsOnlyWhatTheFileCannotHold_data();
    void guardDropsOnlyWhatTheFileCannotHold();
    void guardLeavesTheProgramsTextsAlone();

    void entryEnterWalksThroughTheFieldsToOk();
    void entryTabOrder();
    void entryOutcome_data();
    void entryOutcome();
    void entryConfirmsTheCallersTextsUnchanged();
    void entryStartsInNameAtEveryShowing();
    void entryGuardsEveryField();

    void fontSizeNeverBelowOne_data();
    void fontSizeNeverBelowOne();
    void fontSizeKeys_data();
    void fontSizeKeys();
    void fontSizeArrowButtons();
    void fontSizeOpensOnOk();
    void fontSizeOutcome_data();
    void fontSizeOutcome();

    void otherProgramsCloseWays_data();
    void otherProgramsCloseWays();
    void otherProgramsInternetStaysOpen();
    void otherProgramsTextAndEditsLast();
};

// ---- the character guard ----

void DialogsTest::storableCharacters_data() {
    QTest::addColumn<uint>("character");
    QTest::addColumn<bool>("storable");
    QTest::newRow("letter") << uint('a') << true;
    QTest::newRow("blank") << uint(' ') << true;
    QTest::newRow("umlaut") << 0xE4u << true;
    QTest::newRow("euro, byte 0x80") << 0x20ACu << true;
    QTest::newRow("Y diaeresis, byte 0x9F") << 0x178u << true;
    QTest::newRow("no-break space") << 0xA0u << true;
    QTest::newRow("separator") << uint('|') << false;
    QTest::newRow("carriage return") << 13u << false;
    QTest::newRow("line feed") << 10u << false;
    QTest::newRow("end-of-file mark") << 26u << false;
    QTest::newRow("tab") << 9u << false;
    QTest::newRow("DEL") << 0x7Fu << false;
    QTest::newRow("C1 with a byte of its own") << 0x81u << false;
    QTest::newRow("C1 next line") << 0x85u << false;
    QTest::newRow("no byte in the code page") << 0x3A9u << false;
    QTest::newRow("outside the BMP") << 0x1F600u << false;
}

void DialogsTest::storableCharacters() {
    QFETCH(uint, character);
    QFETCH(bool, storable);
    QCOMPARE(ui::isStorable(character), storable);
}

void DialogsTest::guardDropsOnlyWhatTheFileCannotHold_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("cursorAfter");
    QTest::newRow("typed separator") << "" << 0 << "type"
                                     << "a|b"
                                     << "ab" << 2;
    QTest::newRow("pasted in the middle") << "12" << 1 << "paste"
                                          << "x|y\r\nz\x1A"
                                          << "1xyz2" << 4;
    QTest::newRow("blanks kept") << "" << 0 << "paste"
                                 << "  Ann  "
                                 << "  Ann  " << 7;
    QTest::newRow("no code page byte") << "" << 0 << "paste" << QStringLiteral("Zo\u0142\u00E9\u20AC")
                                       << QStringLiteral("Zo\u00E9\u20AC") << 4;
    QTest::newRow("pair outside the BMP")
        << "ab" << 2 << "paste" << QStringLiteral("c\U0001F600d") << "abcd" << 4;
    QTest::newRow("C1 and DEL") << "" << 0 << "paste" << QStringLiteral("a\u0085b\u007Fc") << "abc" << 3;
    QTest::newRow("dropped") << "" << 0 << "drop"
                             << "p|q"
                             << "pq" << 2;
}

void DialogsTest::guardDropsOnlyWhatTheFileCannotHold() {
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, how);
    QFETCH(QString, input);
    QFETCH(QString, after);
    QFETCH(int, cursorAfter);
    QLineEdit field;
    new ui::FieldGuard(field);
    field.show();
    field.setText(before);
    field.setCursorPosition(cursor);
    if (how == u"type") {
        QTest::keyClicks(&field, input);
    } else if (how == u"paste") {
        QGuiApplication::clipboard()->setText(input);
        field.paste();
    } else {
        QMimeData text;
        text.setText(input);
        const QPoint end(field.width() - 2, field.height() / 2);
        QDragEnterEvent enter(end, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&field, &enter);
        QDropEvent drop(end, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&field, &drop);
    }
    QCOMPARE(field.text(), after);
    QCOMPARE(field.cursorPosition(), cursorAfter);
}

// A cell read from a file may hold a tab; showing it for a change must not lose it.
void DialogsTest::guardLeavesTheProgramsTextsAlone() {
    QLineEdit field;
    new ui::FieldGuard(field);
    field.setText(QStringLiteral("a\tb"));
    QCOMPARE(field.text(), QStringLiteral("a\tb"));
    field.show();
    field.end(false);
    QTest::keyClicks(&field, QStringLiteral("|c"));
    QCOMPARE(field.text(), QStringLiteral("a\tbc"));
}

// ---- the entry dialog ----

void DialogsTest::entryEnterWalksThroughTheFieldsToOk() {
    TForm2 dialog;
    const QStringList typed = {" Miller", "Ann ", "  ", "Main St 1", "12 34", "ann@example.org", "x"};
    runModal(dialog, [&] {
        for (int column = 0; column < 7; ++column) {
            QCOMPARE(QApplication::focusWidget(), dialog.field(column));
            QTest::keyClicks(dialog.field(column), typed[column]);
            press(QKeySequence(Qt::Key_Return));
            QCOMPARE(dialog.field(column)->text(), typed[column]);
            QVERIFY(dialog.isVisible());
        }
        QCOMPARE(QApplication::focusWidget(), &button(dialog, "Button1"));
        press(QKeySequence(Qt::Key_Enter));
    });
    QVERIFY(!dialog.EntryCancelled());
    for (int column = 0; column < 7; ++column) {
        QCOMPARE(dialog.field(column)->text(), typed[column]);
    }
}

void DialogsTest::entryTabOrder() {
    TForm2 dialog;
    runModal(dialog, [&] {
        QList<QWidget*> order;
        for (int column = 0; column < 7; ++column) {
            order << dialog.field(column);
        }
        order << &button(dialog, "Button1") << &button(dialog, "Button2") << dialog.field(0);
        for (QWidget* const expected : order) {
            QCOMPARE(QApplication::focusWidget(), expected);
            press(QKeySequence(Qt::Key_Tab));
        }
        press(QKeySequence(Qt::Key_Escape));
    });
}

void DialogsTest::entryOutcome_data() {
    QTest::addColumn<Way>("way");
    QTest::addColumn<QByteArray>("buttonName");
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("OK clicked") << Way::Click << QByteArray("Button1") << false;
    QTest::newRow("Alt+O") << Way::Accelerator << QByteArray("Button1") << false;
    QTest::newRow("Abbrechen clicked") << Way::Click << QByteArray("Button2") << true;
    QTest::newRow("Alt+A") << Way::Accelerator << QByteArray("Button2") << true;
    QTest::newRow("Enter on Abbrechen") << Way::EnterOnButton << QByteArray("Button2") << true;
    QTest::newRow("Escape") << Way::EscapeKey << QByteArray("Button2") << true;
    QTest::newRow("close box") << Way::CloseBox << QByteArray("Button2") << true;
}

// Each way is tried after a showing that ended the other way, so a stale outcome shows up.
void DialogsTest::entryOutcome() {
    QFETCH(Way, way);
    QFETCH(QByteArray, buttonName);
    QFETCH(bool, cancelled);
    TForm2 dialog;
    runModal(dialog, [&] { leaveBy(cancelled ? Way::Click : Way::EscapeKey, button(dialog, "Button1")); });
    QCOMPARE(dialog.EntryCancelled(), !cancelled);
    runModal(dialog, [&] {
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("typed"));
        leaveBy(way, button(dialog, buttonName.constData()));
    });
    QCOMPARE(dialog.EntryCancelled(), cancelled);
}

void DialogsTest::entryConfirmsTheCallersTextsUnchanged() {
    TForm2 dialog;
    dialog.setWindowTitle(QStringLiteral("Change"));
    const QString longAddress = "Main\tSt " + QString(100'000, u'a'); // beyond a line edit's default limit
    const QStringList texts = {"  Miller ", "", "Mike", longAddress, "1", " ", "Note|"};
    for (int column = 0; column < 7; ++column) {
        dialog.field(column)->setText(texts[column]);
    }
    runModal(dialog, [&] { QTest::mouseClick(&button(dialog, "Button1"), Qt::LeftButton); });
    QVERIFY(!dialog.EntryCancelled());
    for (int column = 0; column < 7; ++column) {
        QCOMPARE(dialog.field(column)->text(), texts[column]);
    }
}

void DialogsTest::entryStartsInNameAtEveryShowing() {
    TForm2 dialog;
    runModal(dialog, [&] {
        focusByTab(*dialog.field(4));
        press(QKeySequence(Qt::Key_Escape));
    });
    runModal(dialog, [&] {
        focusByTab(*dialog.field(6));
        press(QKeySequence(Qt::Key_Return));
        press(QKeySequence(Qt::Key_Return));
    });
    runModal(dialog, [&] {
        QCOMPARE(QApplication::focusWidget(), dialog.field(0));
        press(QKeySequence(Qt::Key_Escape));
    });
}

void DialogsTest::entryGuardsEveryField() {
    TForm2 dialog;
    runModal(dialog, [&] {
        QGuiApplication::clipboard()->setText(QStringLiteral("p|q\r\n"));
        for (int column = 0; column < 7; ++column) {
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("a|"));
            press(QKeySequence::Paste);
            QCOMPARE(dialog.field(column)->text(), QStringLiteral("apq"));
            press(QKeySequence(Qt::Key_Tab));
        }
        press(QKeySequence(Qt::Key_Escape));
    });
}

// ---- the font size dialog ----

void DialogsTest::fontSizeNeverBelowOne_data() {
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("shown");
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("-5") << -5 << 1;
    QTest::newRow("lowest int") << INT_MIN << 1;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("72") << 72 << 72;
    QTest::newRow("highest int") << INT_MAX << INT_MAX;
}

void DialogsTest::fontSizeNeverBelowOne() {
    QFETCH(int, set);
    QFETCH(int, shown);
    TForm3 dialog;
    dialog.setValue(8);
    dialog.setValue(set);
    QCOMPARE(dialog.value(), shown);
    QCOMPARE(spinField(dialog).text(), QString::number(shown));
}

void DialogsTest::fontSizeKeys_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<int>("expected");
    QTest::newRow("Up") << 8 << QKeySequence(QStringLiteral("Up, Up")) << 10;
    QTest::newRow("Down") << 8 << QKeySequence(QStringLiteral("Down")) << 7;
    QTest::newRow("Down at 1") << 1 << QKeySequence(QStringLiteral("Down, Down")) << 1;
    QTest::newRow("Up at the top") << INT_MAX << QKeySequence(QStringLiteral("Up")) << INT_MAX;
    QTest::newRow("digit") << 8 << QKeySequence(QStringLiteral("5")) << 8;
    QTest::newRow("Backspace") << 12 << QKeySequence(QStringLiteral("Backspace")) << 12;
    QTest::newRow("Delete") << 12 << QKeySequence(QStringLiteral("Home, Del")) << 12;
    QTest::newRow("Enter") << 8 << QKeySequence(QStringLiteral("Return")) << 8;
    QTest::newRow("paste") << 8 << QKeySequence(QKeySequence::Paste) << 8;
    QTest::newRow("Shift+Insert") << 8 << QKeySequence(QStringLiteral("Shift+Ins")) << 8;
    QTest::newRow("cut") << 12 << QKeySequence(QStringLiteral("Ctrl+A, Ctrl+X")) << 12;
}

void DialogsTest::fontSizeKeys() {
    QFETCH(int, start);
    QFETCH(QKeySequence, keys);
    QFETCH(int, expected);
    QGuiApplication::clipboard()->setText(QStringLiteral("99"));
    TForm3 dialog;
    dialog.setValue(start);
    runModal(dialog, [&] {
        focusByTab(spinField(dialog));
        press(keys);
        QVERIFY(dialog.isVisible());
        QCOMPARE(spinField(dialog).text(), QString::number(expected));
        press(QKeySequence(Qt::Key_Escape));
    });
    QCOMPARE(dialog.value(), expected);
}

void DialogsTest::fontSizeArrowButtons() {
    TForm3 dialog;
    QSpinBox& spin = spinField(dialog);
    const auto clickArrow = [&spin](QStyle::SubControl arrow) {
        QStyleOptionSpinBox option;
        option.initFrom(&spin);
        option.subControls = QStyle::SC_All;
        option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
        const QRect area = spin.style()->subControlRect(QStyle::CC_SpinBox, &option, arrow, &spin);
        QTest::mouseClick(&spin, Qt::LeftButton, Qt::NoModifier, area.center());
    };
    dialog.setValue(1);
    runModal(dialog, [&] {
        clickArrow(QStyle::SC_SpinBoxDown);
        QCOMPARE(spin.value(), 1);
        clickArrow(QStyle::SC_SpinBoxUp);
        clickArrow(QStyle::SC_SpinBoxUp);
        QCOMPARE(spin.value(), 3);
        QTest::mouseClick(&button(dialog, "Button1"), Qt::LeftButton);
    });
    QCOMPARE(dialog.value(), 3);
}

void DialogsTest::fontSizeOpensOnOk() {
    TForm3 dialog;
    QVERIFY(!dialog.FontSizeCancelled());
    dialog.setValue(9);
    runModal(dialog, [&] {
        QCOMPARE(QApplication::focusWidget(), &button(dialog, "Button1"));
        press(QKeySequence(Qt::Key_Return));
    });
    QVERIFY(!dialog.FontSizeCancelled());
    QCOMPARE(dialog.value(), 9);
}

void DialogsTest::fontSizeOutcome_data() {
    QTest::addColumn<Way>("way");
    QTest::addColumn<QByteArray>("buttonName");
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("OK clicked") << Way::Click << QByteArray("Button1") << false;
    QTest::newRow("Alt+O") << Way::Accelerator << QByteArray("Button1") << false;
    QTest::newRow("Enter on OK") << Way::EnterOnButton << QByteArray("Button1") << false;
    QTest::newRow("Cancel clicked") << Way::Click << QByteArray("Button2") << true;
    QTest::newRow("Alt+C") << Way::Accelerator << QByteArray("Button2") << true;
    QTest::newRow("Enter on Cancel") << Way::EnterOnButton << QByteArray("Button2") << true;
    QTest::newRow("Escape") << Way::EscapeKey << QByteArray("Button2") << true;
    QTest::newRow("close box") << Way::CloseBox << QByteArray("Button2") << true;
    QTest::newRow("loop ended from outside") << Way::LoopEndedFromOutside << QByteArray("Button1") << true;
}

void DialogsTest::fontSizeOutcome() {
    QFETCH(Way, way);
    QFETCH(QByteArray, buttonName);
    QFETCH(bool, cancelled);
    TForm3 dialog;
    runModal(dialog, [&] { leaveBy(Way::Click, button(dialog, cancelled ? "Button1" : "Button2")); });
    QCOMPARE(dialog.FontSizeCancelled(), !cancelled);
    runModal(dialog, [&] { leaveBy(way, button(dialog, buttonName.constData())); });
    QCOMPARE(dialog.FontSizeCancelled(), cancelled);
}

// ---- the information dialog ----

void DialogsTest::otherProgramsCloseWays_data() {
    QTest::addColumn<Way>("way");
    QTest::newRow("OK clicked") << Way::Click;
    QTest::newRow("Alt+O") << Way::Accelerator;
    QTest::newRow("Enter on OK") << Way::EnterOnButton;
    QTest::newRow("close box") << Way::CloseBox;
}

void DialogsTest::otherProgramsCloseWays() {
    QFETCH(Way, way);
    TForm6 dialog;
    runModal(dialog, [&] {
        press(QKeySequence(Qt::Key_Escape));
        focusByTab(button(dialog, "Button2"));
        press(QKeySequence(Qt::Key_Escape));
        QTest::qWait(20);
        QVERIFY(dialog.isVisible());
        leaveBy(way, button(dialog, "Button1"));
    });
}

void DialogsTest::otherProgramsInternetStaysOpen() {
    TForm6 dialog;
    const QSignalSpy requests(&dialog, &TForm6::internetRequested);
    runModal(dialog, [&] {
        QPushButton& internet = button(dialog, "Button2");
        QTest::mouseClick(&internet, Qt::LeftButton);
        leaveBy(Way::EnterOnButton, internet);
        leaveBy(Way::Accelerator, internet);
        QTest::qWait(300); // the accelerator's click is animated
        QVERIFY(dialog.isVisible());
        QCOMPARE(requests.count(), 3);
        QTest::mouseClick(&button(dialog, "Button1"), Qt::LeftButton);
    });
    QCOMPARE(requests.count(), 3);
}

void DialogsTest::otherProgramsTextAndEditsLast() {
    TForm6 dialog;
    const QStringList lines = memo(dialog).toPlainText().split(u'\n');
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines[2], QStringLiteral("  "));
    QCOMPARE(lines[3], QStringLiteral("        ") + QString::fromLatin1(ui::WebAddress));
    QCOMPARE(lines[4], QString());
    runModal(dialog, [&] {
        QCOMPARE(QApplication::focusWidget(), &memo(dialog));
        QTest::keyClicks(&memo(dialog), QStringLiteral("Hello "));
        focusByTab(button(dialog, "Button1"));
        press(QKeySequence(Qt::Key_Return));
    });
    runModal(dialog, [&] {
        QCOMPARE(QApplication::focusWidget(), &memo(dialog));
        QVERIFY(memo(dialog).toPlainText().startsWith(QStringLiteral("Hello All of our programs")));
        dialog.close();
    });
}

QTEST_MAIN(DialogsTest)
#include "test_dialogs.moc"
