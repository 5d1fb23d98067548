// The grid's model under Qt's own model checker: every change the commands make is told where it
// happens, so that a persistent index (what the selection keeps) stays on its record.
#include "session/ListSession.h"
#include "support/FailOnWarnings.h"
#include "support/Tables.h"
#include "support/TempFolder.h"
#include "ui/AddressModel.h"

#include <QAbstractItemModelTester>
#include <QTest>

#include <random>

namespace {

// A list read from a folder of its own; it keeps no journal there.
struct OpenList {
    testsupport::TempFolder folder;
    session::ListSession list{{folder.path(), folder / "user.reg"}, session::ListSession::Use::Export};
    explicit OpenList(const std::vector<book::Record>& records) {
        testsupport::writeBytes(folder / book::AddressFileName, testsupport::addressText(records));
        list.open();
    }
};

QString note(const QPersistentModelIndex& index) {
    return index.sibling(index.row(), 6).data().toString();
}

} // namespace

class AddressModelTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void aPersistentIndexStaysOnItsRecord();
    void everyPersistentIndexFollowsItsRecordThroughRandomCommands();
    void aRefusedChangeTellsTheViewNothing();
};

void AddressModelTest::aPersistentIndexStaysOnItsRecord() {
    OpenList open({book::Record{"Berg", "", "", "", "", "", "berg"},
                   book::Record{"Kurz", "", "", "", "", "", "kurz"},
                   book::Record{"Maier", "", "", "", "", "", "maier"},
                   book::Record{"Zorn", "", "", "", "", "", "zorn"}});
    AddressModel model(open.list);
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const QPersistentModelIndex maier(model.index(2, 0));

    open.list.add(0, book::Record{"Adams", "", "", "", "", "", "adams"}); // above it
    QCOMPARE(maier.row(), 3);
    open.list.remove(1); // Berg, above it
    QCOMPARE(maier.row(), 2);
    open.list.change(0, book::Record{"Xaver", "", "", "", "", "", "adams"}, 0); // moves past it
    QCOMPARE(maier.row(), 1);
    QCOMPARE(model.index(2, 6).data().toString(), QStringLiteral("adams"));
    open.list.sortByColumn(6); // adams, kurz, maier, zorn
    QCOMPARE(maier.row(), 2);
    QCOMPARE(note(maier), QStringLiteral("maier"));
    QCOMPARE(maier.data().toString(), QStringLiteral("Maier"));
}

void AddressModelTest::everyPersistentIndexFollowsItsRecordThroughRandomCommands() {
    std::mt19937 random(16);
    int id = 0;
    const auto record = [&](bool keepId = false, int oldId = 0) {
        static const std::vector<std::string> keys = {"", "a", "B", "b", "c", "\xe4"};
        return book::Record{
            keys[random() % keys.size()],         keys[random() % keys.size()], "", "", "", "",
            std::to_string(keepId ? oldId : ++id)};
    };
    for (int round = 0; round < 40; ++round) {
        std::vector<book::Record> records;
        for (int count = static_cast<int>(1 + random() % 8); count > 0; --count) {
            records.push_back(record());
        }
        OpenList open(records);
        AddressModel model(open.list);
        const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int step = 0; step < 15; ++step) {
            std::vector<std::pair<QPersistentModelIndex, QString>> followed;
            for (int row = 0; row < model.rowCount(); ++row) {
                followed.emplace_back(model.index(row, static_cast<int>(random() % 7)),
                                      model.index(row, 6).data().toString());
            }
            const int index = static_cast<int>(random() % static_cast<unsigned>(model.rowCount()));
            const int column = static_cast<int>(random() % 2);
            switch (random() % 5) {
            case 0:
                open.list.add(column, record());
                break;
            case 1: {
                std::vector<book::Record> added = {record(), record(), record()};
                open.list.addAll(column, std::move(added));
                break;
            }
            case 2: // the same record, rewritten: the index follows it wherever it goes
                open.list.change(index, record(true, model.index(index, 6).data().toString().toInt()),
                                 column);
                break;
            case 3:
                open.list.remove(index);
                break;
            default:
                open.list.sortByColumn(column);
            }
            // The blank record of the empty list is filled, and the only record emptied, in place.
            for (const auto& [persistent, identity] : followed) {
                if (persistent.isValid() && !identity.isEmpty() && !open.list.table().isEmptyList()) {
                    QCOMPARE(note(persistent), identity);
                }
            }
        }
    }
}

void AddressModelTest::aRefusedChangeTellsTheViewNothing() {
    OpenList open({book::Record{"Meier"}});
    AddressModel model(open.list);
    const QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, open.list.add(0, book::Record{"a|b"}));
    QCOMPARE(model.rowCount(), 1);
    open.list.add(0, book::Record{"Alt"}); // nothing was left begun
    QCOMPARE(model.rowCount(), 2);
}

QTEST_MAIN(AddressModelTest)
#include "test_address_model.moc"
