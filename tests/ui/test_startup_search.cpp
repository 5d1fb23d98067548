// Start-up, the incremental search and the close, driven as a person would.
#include "MainWindowRun.h"
#include "support/FailOnWarnings.h"
#include "ui/AddressGrid.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace {

const QByteArray People = "Meier|Hans|||555 1||\r\n"
                          "M\xfcller|Eva|||444 2|eva@example.org|\r\n"
                          "Nagel|Ann|||555 3||\r\n"
                          "Schmidt|Bob|||111 4|bob@example.org|\r\n";

} // namespace

class StartupSearchTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void firstStartShowsTheExampleSelected();
    void closeWithoutChangeWritesNoAddressFile();
    void fileIsShownInFileOrder();
    void unreadableFileIsReportedAndTableStaysUsable();
    void openedWithContactsAddsThemInKeyOrder_data();
    void openedWithContactsAddsThemInKeyOrder();
    void typingSelectsTheLowerBound_data();
    void typingSelectsTheLowerBound();
    void upAndDownStepWithoutMovingTheCaret();
    void comboChangeResortsSearchesAndMarksChanged();
    void closeAfterChangeWritesTheFileByteExact();
};

void StartupSearchTest::firstStartShowsTheExampleSelected() {
    MainWindowRun run;
    TForm1& form = run.start();
    QCOMPARE(run.recordCount(), 1);
    QCOMPARE(run.cell(0, 0), QStringLiteral("Example"));
    QCOMPARE(run.cell(3, 0), QStringLiteral("Examplestreet.15, New York"));
    QCOMPARE(form.currentRecord(), 0);
    QCOMPARE(form.windowTitle(), QStringLiteral("Numberwell V1.0 "));
    QCOMPARE(QApplication::focusWidget(), &run.searchBox());
    QCOMPARE(run.combo().currentIndex(), 0);
    QCOMPARE(run.combo().currentText(), QStringLiteral("Search Name:"));
    QVERIFY(!form.tableChanged());
}

void StartupSearchTest::closeWithoutChangeWritesNoAddressFile() {
    MainWindowRun run;
    run.start();
    QVERIFY(run.close());
    QVERIFY(!run.hasAddressFile());
    QVERIFY(!run.settings().isEmpty());
}

void StartupSearchTest::fileIsShownInFileOrder() {
    MainWindowRun run;
    run.writeAddresses("Zeta|1\r\nAlpha|2\r\n");
    run.start();
    QCOMPARE(run.recordCount(), 2);
    QCOMPARE(run.cell(0, 0), QStringLiteral("Zeta"));
    QCOMPARE(run.cell(0, 1), QStringLiteral("Alpha"));
    QCOMPARE(run.form().currentRecord(), 0);
}

void StartupSearchTest::openedWithContactsAddsThemInKeyOrder_data() {
    QTest::addColumn<bool>("listReadable");
    QTest::newRow("list read") << true;
    QTest::newRow("list unreadable") << false;
}

// As Add would, in key order of the search field, and told in one notice; nothing is added to a list
// that could not be read.
void StartupSearchTest::openedWithContactsAddsThemInKeyOrder() {
    QFETCH(bool, listReadable);
    MainWindowRun run;
    if (listReadable) {
        run.writeAddresses(People);
    } else {
        std::filesystem::create_directory(run.addressFile());
    }
    const std::filesystem::path contacts = run.folder() / "Neu.csv";
    std::ofstream(contacts, std::ios::binary)
        << "Nachname;Vorname;Telefon\r\nNeumann;Ida;777\r\nAbel;Udo;\r\n";
    run.openWith(contacts);
    TForm1& form = run.start();
    if (!listReadable) {
        QCOMPARE(run.notices().value(0),
                 QStringLiteral("No contacts added from Neu.csv: the address list could not be read"));
        QCOMPARE(run.recordCount(), 1);
        QVERIFY(!form.tableChanged());
        return;
    }
    QCOMPARE(run.notices().value(0), QStringLiteral("2 contacts added"));
    QVERIFY(form.tableChanged());
    const QStringList expected = {"Abel", "Meier", "M\u00fcller", "Nagel", "Neumann", "Schmidt"};
    QCOMPARE(run.recordCount(), 6);
    for (int row = 0; row < run.recordCount(); ++row) {
        QCOMPARE(run.cell(0, row), expected[row]);
    }
    QCOMPARE(run.cell(4, 4), QStringLiteral("777"));
}

void StartupSearchTest::unreadableFileIsReportedAndTableStaysUsable() {
    MainWindowRun run;
    std::filesystem::create_directory(run.addressFile()); // exists, cannot be read as a file
    run.start();
    QCOMPARE(run.startupErrors().size(), 1);
    QCOMPARE(run.recordCount(), 1);
    QCOMPARE(run.cell(0, 0), QString());
}

void StartupSearchTest::typingSelectsTheLowerBound_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("row");
    QTest::newRow("empty box") << QString() << 0;
    QTest::newRow("exact start") << QStringLiteral("na") << 2;
    QTest::newRow("umlaut sorts after O") << QStringLiteral("Mo") << 1;
    QTest::newRow("case ignored") << QStringLiteral("M\u00dc") << 1;
    QTest::newRow("after every key") << QStringLiteral("zz") << 3;
}

void StartupSearchTest::typingSelectsTheLowerBound() {
    QFETCH(QString, typed);
    QFETCH(int, row);
    MainWindowRun run;
    run.writeAddresses(People);
    run.start();
    QTest::keyClicks(&run.searchBox(), typed);
    QCOMPARE(run.form().currentRecord(), row);
    QVERIFY(!run.form().tableChanged());
}

void StartupSearchTest::upAndDownStepWithoutMovingTheCaret() {
    MainWindowRun run;
    run.writeAddresses(People);
    TForm1& form = run.start();
    QLineEdit& box = run.searchBox();
    QTest::keyClicks(&box, QStringLiteral("me"));
    const int caret = box.cursorPosition();
    QTest::keyClick(&box, Qt::Key_Up);
    QCOMPARE(form.currentRecord(), 0);
    QTest::keyClick(&box, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&box, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(form.currentRecord(), 3);
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(form.currentRecord(), 3);
    QCOMPARE(box.cursorPosition(), caret);
    QCOMPARE(box.text(), QStringLiteral("me"));
    // The e-mail command follows the current row: Schmidt has an address, Nagel has none.
    auto* const email = form.findChild<QPushButton*>(QStringLiteral("Button4"));
    QVERIFY(email->isEnabled());
    QTest::keyClick(&box, Qt::Key_Up);
    QVERIFY(!email->isEnabled());
    QVERIFY(!form.findChild<QAction*>(QStringLiteral("email1"))->isEnabled());
}

void StartupSearchTest::comboChangeResortsSearchesAndMarksChanged() {
    MainWindowRun run;
    run.writeAddresses(People);
    TForm1& form = run.start();
    QTest::keyClicks(&run.searchBox(), QStringLiteral("555"));
    run.combo().setFocus();
    for (int step = 0; step < 4; ++step) {
        QTest::keyClick(&run.combo(), Qt::Key_Down); // to "Search Tel / Fax:"
    }
    QCOMPARE(run.combo().currentText(), QStringLiteral("Search Tel / Fax:"));
    QCOMPARE(run.cell(4, 0), QStringLiteral("111 4"));
    QCOMPARE(run.cell(4, 1), QStringLiteral("444 2"));
    QCOMPARE(run.cell(4, 2), QStringLiteral("555 1"));
    QCOMPARE(run.cell(4, 3), QStringLiteral("555 3"));
    QCOMPARE(form.currentRecord(), 2);
    QCOMPARE(QApplication::focusWidget(), &run.searchBox());
    QVERIFY(form.tableChanged());
}

void StartupSearchTest::closeAfterChangeWritesTheFileByteExact() {
    MainWindowRun run;
    run.writeAddresses("b|x\nstill b\r\na|y|||||note|dropped\rlast");
    run.start();
    run.combo().setFocus();
    QTest::keyClick(&run.combo(), Qt::Key_Down);
    QTest::keyClick(&run.combo(), Qt::Key_Up); // back to Name: sorted by name, changed
    QVERIFY(run.close());
    QCOMPARE(run.addresses(), QByteArray("a|y|||||note\r\n"
                                         "b|x\nstill b|||||\r\n"
                                         "last||||||\r\n"));
}

QTEST_MAIN(StartupSearchTest)
#include "test_startup_search.moc"
