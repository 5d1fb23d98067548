// Find in every field, from the keyboard: the find bar, "find next" from the record after the current
// one, the wrap at the end, a text found nowhere, and a long list searched while the window goes on.
#include "MainWindowRun.h"
#include "ui/AddressGrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

const QByteArray People = "Meier|Hans||Trierer Str. 1|0651 4711||\r\n"
                          "M\xfcller|Eva||K\xf6ln|0221 2|eva@example.org|\r\n"
                          "Nagel|Ann|||555 3||kennt TRIER\r\n"
                          "Schmidt|Bob|||111 4|bob@example.org|\r\n";

} // namespace

class FindTest : public QObject {
    Q_OBJECT
private slots:
    void findsNextWrapsAndTellsWhatItFound();
    void longListIsSearchedWhileTheWindowGoesOn();

private:
    static QLineEdit& findText(MainWindowRun& run) {
        return *run.form().findChild<QLineEdit*>(QStringLiteral("findText"));
    }
    static QString told(MainWindowRun& run) {
        return run.form().findChild<QLabel*>(QStringLiteral("findStatus"))->text();
    }
};

void FindTest::findsNextWrapsAndTellsWhatItFound() {
    MainWindowRun run;
    run.writeAddresses(People);
    TForm1& form = run.start();
    QWidget& bar = *form.findChild<QWidget*>(QStringLiteral("findBar"));
    QVERIFY(!bar.isVisible());

    QTest::keyClick(&run.searchBox(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar.isVisible());
    QCOMPARE(QApplication::focusWidget(), &findText(run));
    QTest::keyClicks(&findText(run), QStringLiteral("trier"));
    QTest::keyClick(&findText(run), Qt::Key_Return); // from the record after the current one
    QCOMPARE(form.currentRecord(), 2);
    QCOMPARE(told(run), QString());
    QTest::keyClick(&findText(run), Qt::Key_Return);
    QCOMPARE(form.currentRecord(), 0);
    QCOMPARE(told(run), QStringLiteral("Passed the end, went on from the top"));

    // Digits inside a field; a name with an umlaut in any case.
    QTest::keyClick(&findText(run), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&findText(run), QStringLiteral("4711"));
    QTest::keyClick(&findText(run), Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(form.currentRecord(), 0);
    QCOMPARE(told(run), QStringLiteral("Passed the end, went on from the top"));
    findText(run).setText(QStringLiteral("LLER"));
    QTest::keyClick(&findText(run), Qt::Key_Return);
    QCOMPARE(form.currentRecord(), 1);

    findText(run).setText(QStringLiteral("Berlin"));
    QTest::keyClick(&findText(run), Qt::Key_Return);
    QCOMPARE(form.currentRecord(), 1);
    QCOMPARE(told(run), QStringLiteral("Not found: Berlin"));
    findText(run).setText(QStringLiteral("\u20ac\u2603")); // no field can hold the snowman
    QTest::keyClick(&findText(run), Qt::Key_Return);
    QCOMPARE(form.currentRecord(), 1);
    QVERIFY(told(run).startsWith(QStringLiteral("Not found")));

    // Escape closes the bar; the search box's own prefix search is as it was.
    QTest::keyClick(&findText(run), Qt::Key_Escape);
    QVERIFY(!bar.isVisible());
    QCOMPARE(QApplication::focusWidget(), &run.searchBox());
    QTest::keyClicks(&run.searchBox(), QStringLiteral("s"));
    QCOMPARE(form.currentRecord(), 3);
    // "Find next" with the bar closed finds the last text again.
    findText(run).setText(QStringLiteral("example"));
    run.choose("Weitersuchen1");
    QVERIFY(bar.isVisible());
    QCOMPARE(form.currentRecord(), 1);
    QVERIFY(!form.tableChanged());
}

// The only match is the record before the current one: the whole list is scanned, a slice at a time.
void FindTest::longListIsSearchedWhileTheWindowGoesOn() {
    QByteArray list;
    for (int record = 0; record < 300'000; ++record) {
        list += "Name " + QByteArray::number(record) + "|Vorname|||0221 " + QByteArray::number(record) +
                "|a@example.org|Notiz\r\n";
    }
    list += "Zuletzt|Xaver|||||\r\n";
    MainWindowRun run;
    run.writeAddresses(list);
    TForm1& form = run.start();
    run.press(Qt::Key_Down); // the current record is the second
    run.choose("Suchen1");
    findText(run).setText(QStringLiteral("xaver"));
    QTest::keyClick(&findText(run), Qt::Key_Return);
    QCOMPARE(form.currentRecord(), 1); // still under way: the event loop turns between slices
    QCOMPARE(told(run), QStringLiteral("Searching..."));
    QTRY_COMPARE_WITH_TIMEOUT(form.currentRecord(), 300'000, 10000);
    QCOMPARE(told(run), QString());
}

QTEST_MAIN(FindTest)
#include "test_find.moc"
