#include "print/ListLayout.h"
#include "tests/support/Tables.h"

#include <QTest>

#include <string>
#include <vector>

namespace {

using Row = std::vector<std::string>;

// Records go to rows 1..n; no records leaves the blank row 1 of the empty list.
book::AddressTable tableOf(const std::vector<Row>& rows) {
    std::vector<book::Record> records;
    for (const Row& row : rows) {
        book::Record& record = records.emplace_back();
        for (std::size_t column = 0; column < row.size(); ++column) {
            record.setField(static_cast<int>(column), row[column]);
        }
    }
    return testsupport::tableOf(records);
}

} // namespace

Q_DECLARE_METATYPE(std::vector<Row>)
Q_DECLARE_METATYPE(print::ColumnWidths)

class TestListLayout : public QObject {
    Q_OBJECT
private slots:
    void composesAlignedColumns_data();
    void composesAlignedColumns();
};

void TestListLayout::composesAlignedColumns_data() {
    QTest::addColumn<std::vector<Row>>("records");
    QTest::addColumn<print::ColumnWidths>("padded"); // width + 1 of each column
    QTest::addColumn<int>("secondColumnStart");
    QTest::addColumn<int>("seventhColumnStart");

    const print::ColumnWidths headingsOnly{5, 10, 6, 8, 10, 7, 5};
    QTest::newRow("worked example") << std::vector<Row>{{std::string(12, 'n'), std::string(9, 'f'),
                                                         std::string(5, 'a'), std::string(30, 'd'),
                                                         std::string(17, 't'), std::string(20, 'e'),
                                                         std::string(4, 'o')}}
                                    << print::ColumnWidths{13, 10, 6, 31, 18, 21, 5} << 14 << 100;
    QTest::newRow("empty list") << std::vector<Row>{} << headingsOnly << 6 << 47;
    QTest::newRow("short entries") << std::vector<Row>{{"Li", "Bo", "B", "Rd 1", "12", "a@b.c", "-"}, {"Ng"}}
                                   << headingsOnly << 6 << 47;
    QTest::newRow("one long entry widens its column")
        << std::vector<Row>{{"Li"}, {"Ng", "", "", "", "", "", std::string(300, 'z')}}
        << print::ColumnWidths{5, 10, 6, 8, 10, 7, 301} << 6 << 47;
    QTest::newRow("rows keep their order, blanks included")
        << std::vector<Row>{{"Zander"}, {}, {"Albers"}, {"meier"}}
        << print::ColumnWidths{7, 10, 6, 8, 10, 7, 5} << 8 << 49;
}

void TestListLayout::composesAlignedColumns() {
    QFETCH(std::vector<Row>, records);
    QFETCH(print::ColumnWidths, padded);
    QFETCH(int, secondColumnStart);
    QFETCH(int, seventhColumnStart);

    const book::AddressTable table = tableOf(records);
    const print::ListLayout layout(table);

    QCOMPARE(layout.lineCount(), table.recordCount() + 2);
    QVERIFY2(layout.line(1).empty(), "the line after the headings holds nothing");

    std::size_t lineLength = 0;
    for (const std::size_t width : padded) {
        lineLength += width;
    }
    // Positions count from 1, as on paper.
    QCOMPARE(padded[0] + 1, static_cast<std::size_t>(secondColumnStart));
    QCOMPARE(lineLength - padded[6] + 1, static_cast<std::size_t>(seventhColumnStart));

    for (int row = 0; row <= table.recordCount(); ++row) { // the headings, then the records
        const std::string line = layout.line(row == 0 ? 0 : row + 1);
        QCOMPARE(line.size(), lineLength);
        std::size_t start = 0;
        for (int column = 0; column < book::ColumnCount; ++column) {
            const std::string_view text =
                row == 0 ? book::Headings[static_cast<std::size_t>(column)] : table.cell(column, row - 1);
            const std::string_view field = std::string_view(line).substr(start, padded[column]);
            QCOMPARE(field.substr(0, text.size()), text);
            QVERIFY2(field.find_first_not_of(' ', text.size()) == std::string_view::npos,
                     qPrintable(
                         QStringLiteral("row %1 column %2 is padded with spaces only").arg(row).arg(column)));
            start += padded[column];
        }
    }
}

QTEST_MAIN(TestListLayout)
#include "test_list_layout.moc"
