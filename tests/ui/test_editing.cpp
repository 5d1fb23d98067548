// Add, Change and Delete through buttons, shortcuts and the grid, with the dialogs answered as a
// person would answer them.
#include "MainWindowRun.h"
#include "support/FailOnWarnings.h"
#include "support/ModalDriver.h"
#include "ui/AddressGrid.h"
#include "ui/ColumnLayout.h"
#include "ui/Unit2.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

// Types the given texts into the entry dialog's fields (Enter walks on) and confirms with OK.
void typeEntry(const QStringList& texts) {
    whenModalOpens([texts](QWidget* dialog) {
        for (const QString& text : texts) {
            QWidget* const field = QApplication::focusWidget();
            QTest::keyClicks(field, text);
            QTest::keyClick(field, Qt::Key_Return);
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    });
}

void escapeNextModal() {
    whenModalOpens([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
}

QPushButton* button(TForm1& form, const char* name) {
    return form.findChild<QPushButton*>(QString::fromLatin1(name));
}

QStringList column(MainWindowRun& run, int columnIndex) {
    QStringList texts;
    for (int row = 0; row < run.recordCount(); ++row) {
        texts << run.cell(columnIndex, row);
    }
    return texts;
}

const QByteArray ThreePeople = "Adams|Amy||||amy@example.org|\r\n"
                               "Baker|Bob|||||\r\n"
                               "Clark|Cid||||cid@example.org|\r\n";

} // namespace

class EditingTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void addToTheEmptyTableFillsRowOne();
    void addInsertsByKeyOrder_data();
    void addInsertsByKeyOrder();
    void addOnAnUnsortedTableStopsAtTheFirstNotLessRow();
    void addKeepsTheCurrentRowAndTheEmailState();
    void addRefusesWhatTheFileCannotHold();
    void changeRewritesResortsAndKeepsTheRowNumber();
    void cancelledCommandsChangeNothing();
    void deleteAsksAndClosesTheGap();
    void deleteTheLastRowSelectsTheNewLast();
    void deleteTheOnlyRecordLeavesABlankRow();
    void doubleClickAnywhereOpensChange();
    void shortcutsWorkFromTheSearchBoxAndFocusReturns();
    void separatorsStayOneEach();
    void columnsFollowTheWindow();
    void draggedColumnKeepsItsShare();
};

void EditingTest::addToTheEmptyTableFillsRowOne() {
    MainWindowRun run;
    run.writeAddresses("");
    TForm1& form = run.start();
    typeEntry({"Zimmer", "Zoe"});
    QTest::mouseClick(button(form, "Button1"), Qt::LeftButton);
    QCOMPARE(run.recordCount(), 1);
    QCOMPARE(run.cell(0, 0), QStringLiteral("Zimmer"));
    QCOMPARE(run.cell(1, 0), QStringLiteral("Zoe"));
    QVERIFY(form.tableChanged());
    QVERIFY(run.close());
    QCOMPARE(run.addresses(), QByteArray("Zimmer|Zoe|||||\r\n"));
}

void EditingTest::addInsertsByKeyOrder_data() {
    QTest::addColumn<int>("keyColumn");
    QTest::addColumn<QStringList>("entry");
    QTest::addColumn<int>("row");
    QTest::newRow("between") << 0 << QStringList{"Bz"} << 2;
    QTest::newRow("equal key goes first, case ignored") << 0 << QStringList{"BAKER", "New"} << 1;
    QTest::newRow("after every key") << 0 << QStringList{"Zorn"} << 3;
    QTest::newRow("blank entry first") << 0 << QStringList{} << 0;
    QTest::newRow("by e-mail, not by name")
        << 5 << QStringList{"Zorn", "", "", "", "", "bz@example.org"} << 2;
}

void EditingTest::addInsertsByKeyOrder() {
    QFETCH(int, keyColumn);
    QFETCH(QStringList, entry);
    QFETCH(int, row);
    MainWindowRun run;
    QByteArray file = ThreePeople;
    if (keyColumn == 5) {
        file = "Baker|Bob|||||\r\nAdams|Amy||||amy@example.org|\r\nClark|Cid||||cid@example.org|\r\n";
    }
    run.writeAddresses(file);
    TForm1& form = run.start();
    run.combo().setCurrentIndex(keyColumn);
    typeEntry(entry);
    run.press(Qt::Key_F2);
    QCOMPARE(run.recordCount(), 4);
    QCOMPARE(run.cell(0, row), entry.value(0));
    QVERIFY(form.tableChanged());
}

void EditingTest::addOnAnUnsortedTableStopsAtTheFirstNotLessRow() {
    MainWindowRun run;
    run.writeAddresses("Aa\r\nZz\r\nBb\r\nDd\r\n");
    run.start();
    typeEntry({"Cc"});
    run.press(Qt::Key_F2);
    QCOMPARE(column(run, 0), QStringList({"Aa", "Cc", "Zz", "Bb", "Dd"}));
}

void EditingTest::addKeepsTheCurrentRowAndTheEmailState() {
    MainWindowRun run;
    run.writeAddresses(ThreePeople);
    TForm1& form = run.start();
    QTest::keyClicks(&run.searchBox(), QStringLiteral("c"));
    QCOMPARE(form.currentRecord(), 2);
    QVERIFY(button(form, "Button4")->isEnabled());
    typeEntry({"Aaron"}); // goes above: the highlight now shows the record that stood above
    run.press(Qt::Key_F2);
    QCOMPARE(form.currentRecord(), 2);
    QCOMPARE(run.cell(0, 2), QStringLiteral("Baker"));
    QVERIFY(button(form, "Button4")->isEnabled()); // unchanged until the current row changes
    QVERIFY(run.grid().selectionModel()->isRowSelected(2, {}));
}

void EditingTest::addRefusesWhatTheFileCannotHold() {
    MainWindowRun run;
    run.writeAddresses(ThreePeople);
    run.start();
    whenModalOpens([](QWidget* dialog) {
        auto* const name = static_cast<TForm2*>(dialog)->field(0);
        QTest::keyClicks(name, QStringLiteral("  Dix|on"));
        name->insert(QStringLiteral("\u0142\r\n x ")); // as a paste arrives
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    });
    run.press(Qt::Key_F2);
    QCOMPARE(run.cell(0, 0), QStringLiteral("  Dixon x "));
}

void EditingTest::changeRewritesResortsAndKeepsTheRowNumber() {
    MainWindowRun run;
    run.writeAddresses(ThreePeople);
    TForm1& form = run.start();
    QTest::keyClicks(&run.searchBox(), QStringLiteral("a"));
    QStringList shown;
    whenModalOpens([&shown](QWidget* dialog) {
        auto* const entry = static_cast<TForm2*>(dialog);
        shown << dialog->windowTitle() << entry->field(0)->text() << entry->field(5)->text();
        entry->field(0)->selectAll();
        QTest::keyClicks(entry->field(0), QStringLiteral("Young"));
        entry->field(5)->clear();
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    });
    run.press(Qt::Key_F4);
    QCOMPARE(shown, QStringList({"Change", "Adams", "amy@example.org"}));
    QCOMPARE(column(run, 0), QStringList({"Baker", "Clark", "Young"}));
    QCOMPARE(form.currentRecord(), 0);
    QVERIFY(form.tableChanged());
    QVERIFY(button(form, "Button4")->isEnabled()); // still the state of the row before the edit
}

void EditingTest::cancelledCommandsChangeNothing() {
    MainWindowRun run;
    run.writeAddresses(ThreePeople);
    TForm1& form = run.start();
    escapeNextModal();
    run.press(Qt::Key_F2);
    whenModalOpens([](QWidget* dialog) {
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Other"));
        dialog->close(); // the close box
    });
    run.press(Qt::Key_F4);
    clickInNextModal(QStringLiteral("Abbrechen"));
    run.press(Qt::Key_F3);
    QCOMPARE(column(run, 0), QStringList({"Adams", "Baker", "Clark"}));
    QVERIFY(!form.tableChanged());
    QVERIFY(run.close());
    QCOMPARE(run.addresses(), ThreePeople);
}

void EditingTest::deleteAsksAndClosesTheGap() {
    MainWindowRun run;
    run.writeAddresses(ThreePeople);
    TForm1& form = run.start();
    QTest::keyClicks(&run.searchBox(), QStringLiteral("b"));
    QStringList shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenModalOpens([&](QWidget* modal) {
        if (const auto* const box = qobject_cast<QMessageBox*>(modal)) {
            shown << box->windowTitle() << box->text() << box->defaultButton()->text()
                  << box->escapeButton()->text();
            icon = box->icon();
        }
        QTest::keyClick(modal, Qt::Key_Return);
    });
    QTest::mouseClick(button(form, "Button2"), Qt::LeftButton);
    QCOMPARE(shown, QStringList({"Bestätigung", "Really delete?", "OK", "Abbrechen"}));
    QCOMPARE(icon, QMessageBox::Question);
    QCOMPARE(column(run, 0), QStringList({"Adams", "Clark"}));
    QCOMPARE(form.currentRecord(), 1);
    QVERIFY(form.tableChanged());
    QTRY_COMPARE(QApplication::focusWidget(), button(form, "Button2"));
}

void EditingTest::deleteTheLastRowSelectsTheNewLast() {
    MainWindowRun run;
    run.writeAddresses(ThreePeople);
    TForm1& form = run.start();
    QTest::keyClicks(&run.searchBox(), QStringLiteral("c"));
    QVERIFY(button(form, "Button4")->isEnabled());
    clickInNextModal(QStringLiteral("OK"));
    run.press(Qt::Key_F3);
    QCOMPARE(run.recordCount(), 2);
    QCOMPARE(form.currentRecord(), 1);
    QVERIFY(!button(form, "Button4")->isEnabled()); // Baker has no e-mail
}

void EditingTest::deleteTheOnlyRecordLeavesABlankRow() {
    MainWindowRun run;
    run.start(); // the example record
    clickInNextModal(QStringLiteral("OK"));
    run.press(Qt::Key_F3);
    QCOMPARE(run.recordCount(), 1);
    QCOMPARE(run.cell(0, 0), QString());
    QVERIFY(run.form().tableChanged());
    clickInNextModal(QStringLiteral("OK")); // asked again for the blank row
    run.press(Qt::Key_F3);
    QCOMPARE(run.recordCount(), 1);
    QVERIFY(run.close());
    QCOMPARE(run.addresses(), QByteArray("||||||\r\n"));
}

void EditingTest::doubleClickAnywhereOpensChange() {
    MainWindowRun run;
    run.writeAddresses(ThreePeople);
    run.start();
    AddressGrid& grid = run.grid();
    int opened = 0;
    const auto countAndCancel = [&opened] {
        whenModalOpens([&opened](QWidget* dialog) {
            opened += dialog->windowTitle() == QStringLiteral("Change");
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
    };
    countAndCancel();
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {},
                       grid.visualRect(grid.model()->index(1, 1)).center());
    countAndCancel();
    QTest::mouseDClick(grid.horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(opened, 2);
}

void EditingTest::shortcutsWorkFromTheSearchBoxAndFocusReturns() {
    MainWindowRun run;
    run.writeAddresses(ThreePeople);
    run.start();
    for (const Qt::Key key : {Qt::Key_F2, Qt::Key_F4}) {
        escapeNextModal();
        run.press(key);
        QTRY_COMPARE(QApplication::focusWidget(), &run.searchBox());
    }
    clickInNextModal(QStringLiteral("Abbrechen"));
    run.press(Qt::Key_F3);
    QTRY_COMPARE(QApplication::focusWidget(), &run.searchBox());
    QCOMPARE(run.form().windowTitle(), QStringLiteral("Numberwell V1.0 "));
}

void EditingTest::separatorsStayOneEach() {
    MainWindowRun run;
    run.writeAddresses(ThreePeople);
    TForm1& form = run.start();
    for (int round = 0; round < 5; ++round) {
        escapeNextModal();
        run.press(Qt::Key_F2);
    }
    const auto separators = [&form](const char* menu) {
        int count = 0;
        for (const QAction* const action : form.findChild<QMenu*>(QString::fromLatin1(menu))->actions()) {
            count += action->isSeparator();
        }
        return count;
    };
    QCOMPARE(separators("Adresse1"), 1);
    QCOMPARE(separators("Info1"), 1);
    const QList<QAction*> address = form.findChild<QMenu*>(QStringLiteral("Adresse1"))->actions();
    QVERIFY(address.at(4)->isSeparator());
    QCOMPARE(address.at(5)->objectName(), QStringLiteral("Listedrucken1"));
}

void EditingTest::columnsFollowTheWindow() {
    MainWindowRun run;
    TForm1& form = run.start();
    const QHeaderView* const header = run.grid().horizontalHeader();
    const auto widths = [header] {
        ui::ColumnWidths sizes{};
        for (int column = 0; column < 7; ++column) {
            sizes[static_cast<std::size_t>(column)] = header->sectionSize(column);
        }
        return sizes;
    };
    for (const int width : {632, 1264, 777}) {
        const ui::ColumnRatios before = form.columnRatios();
        form.resize(width, form.height());
        QVERIFY(widths() == ui::layoutColumns(width, before));
        QVERIFY(form.columnRatios() == ui::measureRatios(width, widths(), before));
    }
}

void EditingTest::draggedColumnKeepsItsShare() {
    MainWindowRun run;
    TForm1& form = run.start();
    form.resize(632, form.height());
    run.grid().horizontalHeader()->resizeSection(2, 84); // what dragging the border does
    QCOMPARE(form.columnRatios()[2], 632.0 / 84);
    form.resize(1264, form.height());
    QCOMPARE(run.grid().horizontalHeader()->sectionSize(2), 168);
}

QTEST_MAIN(EditingTest)
#include "test_editing.moc"
