// The grid's model under Qt's own model checker, through every change the commands make.
#include "book/AddressBook.h"
#include "support/Tables.h"
#include "support/TempFolder.h"
#include "ui/AddressModel.h"

#include <QAbstractItemModelTester>
#include <QTest>

class AddressModelTest : public QObject {
    Q_OBJECT
private slots:
    void changesKeepTheModelConsistent();
};

void AddressModelTest::changesKeepTheModelConsistent() {
    const testsupport::TempFolder folder;
    testsupport::writeBytes(
        folder / book::AddressFileName,
        testsupport::addressText({book::Record{"Meier"}, book::Record{"Adams"},
                                  book::Record{"Zeller", "", "", "", "", "z@example.org"}}));
    book::AddressBook addresses(folder.path());
    AddressModel model(addresses);
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    addresses.load();
    model.showLoadedTable();
    QCOMPARE(model.rowCount(), 3);

    model.sortByColumn(0);
    QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("Adams"));
    model.insertRecord(2, book::Record{"Berg"});
    model.insertRecord(5, book::Record{"Zorn"}); // after the last row
    QCOMPARE(model.rowCount(), 5);
    model.setRecord(1, book::Record{"Xaver"});
    model.sortAfterChange(0, 1);
    QCOMPARE(model.data(model.index(2, 0), Qt::DisplayRole).toString(), QStringLiteral("Xaver"));
    model.removeRecord(5); // the last row
    model.removeRecord(1);
    while (model.rowCount() > 1) {
        model.removeRecord(1);
    }
    model.removeRecord(1); // the only record: the blank row of the empty list stays
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QString());
    model.setRecord(1, book::Record{"Neu"});
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, model.insertRecord(1, book::Record{"a|b"}));
    QCOMPARE(model.rowCount(), 1); // a refused change tells the view nothing, and leaves nothing begun
    model.insertRecord(1, book::Record{"Alt"});
    QCOMPARE(model.rowCount(), 2);
    QVERIFY(addresses.tableChanged());
}

QTEST_MAIN(AddressModelTest)
#include "test_address_model.moc"
