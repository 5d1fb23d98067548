// What a screen reader is told about the four windows: every visible control has a name and a
// description, taken from its caption, its label or its hint, and the menus are read without their
// access key markers.
#include "MainWindowRun.h"
#include "support/FailOnWarnings.h"
#include "ui/AccessibleText.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"
#include "ui/Unit6.h"
#include "ui/WebAddress.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QMenuBar>
#include <QTest>

namespace {

struct Expected {
    const char* window; // class name
    const char* control;
    const char* name;
    const char* description;
};

// Every visible control of the four windows and what is said for it.
constexpr Expected Controls[] = {
    {"TForm1", "combo", "Search field", "Choose the sorting style"},
    {"TForm1", "Edit1", "Search text", "Enter the searching text here"},
    {"TForm1", "Button1", "Add", "Add address"},
    {"TForm1", "Button2", "Delete", "Delete address"},
    {"TForm1", "Button3", "Change", "Change current address"},
    {"TForm1", "Button4", "e-mail", "e-mail to person"},
    {"TForm1", "Button5", "Homepage", ui::WebAddress},
    {"TForm1", "stringgrid1", "Addresses", "One address a row; a double-click changes the current one"},
    {"TForm1", "findText", "Find:", "Text to look for anywhere in every field; Enter finds the next address"},
    {"TForm1", "findNext", "Find next", "Select the next address that holds the text (Ctrl+G)"},
    {"TForm1", "findClose", "Close the find bar", "Close the find bar (Escape)"},
    {"TForm2", "Edit1", "Name", "Enter moves on to the next field"},
    {"TForm2", "Edit2", "First name", "Enter moves on to the next field"},
    {"TForm2", "Edit3", "Alias", "Enter moves on to the next field"},
    {"TForm2", "Edit4", "Address", "Enter moves on to the next field"},
    {"TForm2", "Edit5", "Tel / Fax", "Enter moves on to the next field"},
    {"TForm2", "Edit6", "e-mail", "Enter moves on to the next field"},
    {"TForm2", "Edit7", "Note", "Enter moves on to OK"},
    {"TForm2", "Button1", "OK", "Take over the address"},
    {"TForm2", "Button2", "Abbrechen", "Close without taking over the address"},
    {"TForm3", "SpinEdit1", "Font size", "Font size in points, stepped with the Up and Down keys"},
    {"TForm3", "Button1", "OK", "Use this font size"},
    {"TForm3", "Button2", "Cancel", "Close without changing the font size"},
    {"TForm6", "Memo1", "Weitere Programme", "Where to get the other programs"},
    {"TForm6", "Button1", "OK", "Close this window"},
    {"TForm6", "Button2", "Internet", "Open the web page in the browser"},
};

const Expected* listed(const QWidget& window, const QWidget& control) {
    for (const Expected& expected : Controls) {
        if (window.inherits(expected.window) && control.objectName() == QLatin1String(expected.control)) {
            return &expected;
        }
    }
    return nullptr;
}

QAccessibleInterface& accessible(QObject* object) {
    QAccessibleInterface* const face = QAccessible::queryAccessibleInterface(object);
    if (!face) {
        qFatal("no accessible interface for %s", qPrintable(object->objectName()));
    }
    return *face;
}

// The controls a user meets in the window: everything the form names (parts of a control, like its
// scroll bars, are the control's own), without panels, static text (a label says its own text) and the
// menu bar (whose items are checked on their own), and not those of a dialog the window owns.
QList<QWidget*> controlsOf(QWidget& window) {
    QList<QWidget*> controls;
    for (QWidget* const widget : window.findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        if (widget->window() != &window || !widget->isVisibleTo(&window) || name.isEmpty() ||
            name.startsWith(QLatin1String("qt_"))) {
            continue;
        }
        switch (accessible(widget).role()) {
        case QAccessible::Client:
        case QAccessible::Border:
        case QAccessible::Grouping:
        case QAccessible::StaticText:
        case QAccessible::MenuBar:
            break;
        default:
            controls << widget;
        }
    }
    return controls;
}

// Qt on Unix names a read-only drop-down by its current item and leaves its label to the relations,
// so there the name it was given is read from the widget.
QString givenName(QWidget& control) {
#ifdef Q_OS_UNIX
    if (qobject_cast<QComboBox*>(&control)) {
        return control.accessibleName();
    }
#endif
    return accessible(&control).text(QAccessible::Name);
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void initTestCase();

    void spokenCaption_data();
    void spokenCaption();
    void everyControlIsNamedAndDescribed_data();
    void everyControlIsNamedAndDescribed();
    void controlTexts_data();
    void controlTexts();
    void menusAreReadByTheirTexts();

private:
    QWidget& windowNamed(const QString& className);

    MainWindowRun run_;
};

void AccessibilityTest::initTestCase() {
    run_.start();
    run_.choose("Suchen1"); // the find bar's controls too
}

QWidget& AccessibilityTest::windowNamed(const QString& className) {
    TForm1& form = run_.form();
    if (form.inherits(qPrintable(className))) {
        return form;
    }
    for (QWidget* const dialog : form.findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
        if (dialog->inherits(qPrintable(className))) {
            return *dialog;
        }
    }
    qFatal("no window %s", qPrintable(className));
}

void AccessibilityTest::spokenCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("spoken");
    QTest::newRow("marker first") << "&Add"
                                  << "Add";
    QTest::newRow("marker inside") << "F&ont size for printing"
                                   << "Font size for printing";
    QTest::newRow("trailing blank") << "&e-mail "
                                    << "e-mail";
    QTest::newRow("doubled marker is one ampersand") << "Tom && Jerry"
                                                     << "Tom & Jerry";
    QTest::newRow("marker before doubled one") << "&&&Save"
                                               << "&Save";
    QTest::newRow("lone marker at the end") << "Quit&"
                                            << "Quit";
    QTest::newRow("no marker") << "Tel / Fax"
                               << "Tel / Fax";
    QTest::newRow("empty") << ""
                           << "";
}

void AccessibilityTest::spokenCaption() {
    QFETCH(QString, caption);
    QFETCH(QString, spoken);
    QCOMPARE(ui::spokenCaption(caption), spoken);
}

void AccessibilityTest::everyControlIsNamedAndDescribed_data() {
    QTest::addColumn<QString>("window");
    QTest::newRow("main window") << "TForm1";
    QTest::newRow("entry dialog") << "TForm2";
    QTest::newRow("font size dialog") << "TForm3";
    QTest::newRow("information dialog") << "TForm6";
}

// Also catches a control added later without a name, or without a row in the list above.
void AccessibilityTest::everyControlIsNamedAndDescribed() {
    QFETCH(QString, window);
    QWidget& form = windowNamed(window);
    const QList<QWidget*> controls = controlsOf(form);
    QVERIFY(!controls.isEmpty());
    for (QWidget* const control : controls) {
        const QByteArray which = control->objectName().toUtf8();
        QAccessibleInterface& face = accessible(control);
        QVERIFY2(!face.text(QAccessible::Name).isEmpty(), which);
        QVERIFY2(!face.text(QAccessible::Description).isEmpty(), which);
        QVERIFY2(listed(form, *control), which);
    }
}

void AccessibilityTest::controlTexts_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    for (const Expected& expected : Controls) {
        QTest::addRow("%s %s", expected.window, expected.control)
            << expected.window << expected.control << expected.name << expected.description;
    }
}

void AccessibilityTest::controlTexts() {
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, description);
    const QList<QWidget*> controls = controlsOf(windowNamed(window));
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [&](const QWidget* widget) { return widget->objectName() == control; });
    QVERIFY2(found != controls.end(), "not a visible control of the window");
    QCOMPARE(givenName(**found), name);
    QCOMPARE(accessible(*found).text(QAccessible::Description), description);
}

// Each menu of the bar and each of its items is read by its text without the marker, the function key
// with it; a separator says nothing.
void AccessibilityTest::menusAreReadByTheirTexts() {
    QAccessibleInterface& bar = accessible(run_.form().menuBar());
    QCOMPARE(bar.childCount(), 4);
    int items = 0;
    for (int menuIndex = 0; menuIndex < bar.childCount(); ++menuIndex) {
        QAccessibleInterface* const menu = bar.child(menuIndex);
        const auto* const menuAction = qobject_cast<QAction*>(menu->object());
        QVERIFY(menuAction);
        QCOMPARE(menu->text(QAccessible::Name), ui::spokenCaption(menuAction->text()));
        QCOMPARE(menu->childCount(), 1);
        QAccessibleInterface* const popup = menu->child(0);
        QCOMPARE(popup->text(QAccessible::Name), menu->text(QAccessible::Name));
        for (int itemIndex = 0; itemIndex < popup->childCount(); ++itemIndex) {
            QAccessibleInterface* const item = popup->child(itemIndex);
            const auto* const action = qobject_cast<QAction*>(item->object());
            QVERIFY(action);
            if (action->isSeparator()) {
                QCOMPARE(item->role(), QAccessible::Separator);
                continue;
            }
            ++items;
            const QString spoken = item->text(QAccessible::Name);
            QVERIFY2(!spoken.isEmpty() && !spoken.contains(u'&'), qPrintable(action->text()));
            QCOMPARE(spoken, ui::spokenCaption(action->text()));
            if (!action->shortcut().isEmpty()) {
                QCOMPARE(item->text(QAccessible::Accelerator),
                         action->shortcut().toString(QKeySequence::NativeText));
            }
        }
    }
    QCOMPARE(items, 14);
}

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
