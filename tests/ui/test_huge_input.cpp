// Huge and hostile address files: the window starts, the grid only ever touches the rows it shows, a
// cell of megabytes is painted from a short text, and a close after a change writes back what was read.
#include "MainWindowRun.h"
#include "bench/AddressList.h"
#include "book/AddressBook.h"
#include "support/FailOnWarnings.h"
#include "support/ModalDriver.h"
#include "ui/AddressGrid.h"
#include "ui/AddressModel.h"
#include "ui/CellText.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <random>
#include <set>
#include <string_view>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NUMBERWELL_ADDRESS_SANITIZER
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define NUMBERWELL_ADDRESS_SANITIZER
#endif

namespace {

#ifdef NUMBERWELL_ADDRESS_SANITIZER
constexpr int ManyRecords = 100'000; // a million would keep the sanitizers' run busy for 40 s
#else
constexpr int ManyRecords = 1'000'000;
#endif
constexpr qsizetype HugeLength = 50'000'000;
constexpr qsizetype RandomLength = 4'000'000;
// What a view may touch without laying out the rows: a few screens, and the first and last hundred row
// headings that size the heading column. Measuring rows touches a thousand of them, or all.
constexpr std::size_t FewRows = 400;

enum class Input { ManyRecords, HugeLine, RandomBytes, RandomBytesWithoutEndMark, OnlySeparators };

QByteArray manyRecords() {
    return QByteArray::fromStdString(generateAddressText(ManyRecords));
}

// One canonical line whose Name is 50 MB of words.
QByteArray hugeLine() {
    QByteArray name;
    name.reserve(HugeLength + 32);
    while (name.size() < HugeLength) {
        name += "M\xfcller-L\xfc"
                "denscheid ";
    }
    name.truncate(HugeLength);
    return name + "|Rita|||0221 555|rita@example.org|\r\n";
}

// Without the end mark (26) the reader goes through all of it: lone CRs, '|' and control bytes.
QByteArray randomBytes(bool withEndMark) {
    std::mt19937 random(4711);
    QByteArray bytes(RandomLength, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
        if (!withEndMark && byte == 26) {
            byte = 'x';
        }
    }
    return bytes;
}

QByteArray bytesOf(Input input) {
    switch (input) {
    case Input::ManyRecords:
        return manyRecords();
    case Input::HugeLine:
        return hugeLine();
    case Input::RandomBytes:
        return randomBytes(true);
    case Input::RandomBytesWithoutEndMark:
        return randomBytes(false);
    case Input::OnlySeparators:
        return QByteArray(HugeLength, '|');
    }
    return {};
}

// The table as the window must hold it after reading these bytes.
book::AddressTable tableOf(const QByteArray& bytes) {
    return book::AddressTable(bytes.toStdString());
}

// A list that has read these bytes from a folder of its own (and writes nothing there).
struct LoadedList {
    QTemporaryDir folder;
    session::ListSession list{
        {folder.path().toStdString(), folder.filePath(QStringLiteral("user.reg")).toStdString()},
        session::ListSession::Use::Export};
    explicit LoadedList(const QByteArray& bytes) {
        QFile file(folder.filePath(QStringLiteral("Adressen.txt")));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qFatal("cannot write the list");
        }
        file.close();
        list.open();
    }
};

QByteArray describeMismatch(const book::AddressTable& actual, const book::AddressTable& expected) {
    if (actual.recordCount() != expected.recordCount()) {
        return "record count " + QByteArray::number(actual.recordCount()) + ", expected " +
               QByteArray::number(expected.recordCount());
    }
    for (int index = 0; index < expected.recordCount(); ++index) {
        if (!(actual.record(index) == expected.record(index))) {
            return "record " + QByteArray::number(index) + " differs";
        }
    }
    return {};
}

QByteArray describeMismatch(const QByteArray& actual, const QByteArray& expected) {
    const auto [here, there] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (here == actual.end() && there == expected.end()) {
        return {};
    }
    return "sizes " + QByteArray::number(actual.size()) + " and " + QByteArray::number(expected.size()) +
           ", first difference at byte " + QByteArray::number(here - actual.begin());
}

void click(QWidget& window, const char* button) {
    QTest::mouseClick(window.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

// Passes every call on to the grid's own delegate and notes the rows it measures and paints; puts the
// grid's delegate back at the end of its scope.
class WatchingDelegate : public QAbstractItemDelegate {
public:
    explicit WatchingDelegate(QTableView& view) : view_(view), inner_(*view.itemDelegate()) {
        view_.setItemDelegate(this);
    }
    ~WatchingDelegate() override { view_.setItemDelegate(&inner_); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painted_.insert(index.row());
        const int firstShown = view_.rowAt(0);
        const int lastShown = view_.rowAt(view_.viewport()->height() - 1);
        if (index.row() < firstShown || (lastShown >= 0 && index.row() > lastShown)) {
            ++paintedOutOfView_;
        }
        inner_.paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        measured_.insert(index.row());
        return inner_.sizeHint(option, index);
    }

    const std::set<int>& painted() const { return painted_; }
    const std::set<int>& measured() const { return measured_; }
    int paintedOutOfView() const { return paintedOutOfView_; }

private:
    QTableView& view_;
    QAbstractItemDelegate& inner_;
    mutable std::set<int> painted_;
    mutable std::set<int> measured_;
    mutable int paintedOutOfView_ = 0;
};

// Notes every row the view asks about, for cells and for row headings.
class RowWatchingProxy : public QIdentityProxyModel {
public:
    QVariant data(const QModelIndex& index, int role) const override {
        asked_.insert(index.row());
        return QIdentityProxyModel::data(index, role);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Vertical) {
            asked_.insert(section);
        }
        return QIdentityProxyModel::headerData(section, orientation, role);
    }
    const std::set<int>& asked() const { return asked_; }

private:
    mutable std::set<int> asked_;
};

void setViewingFontSize(TForm1& form, int points) {
    whenModalOpens([points](QWidget* dialog) {
        dialog->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->setValue(points);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    });
    form.findChild<QAction*>(QStringLiteral("Schriftgre1"))->trigger();
}

} // namespace

Q_DECLARE_METATYPE(Input)

class HugeInputTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void startsShowsAndWritesBackWhatItRead_data();
    void startsShowsAndWritesBackWhatItRead();
    void windowMeasuresNoRowAndPaintsOnlyShownOnes();
    void gridAsksOnlyForShownRows();
    void gridShowsTheStartOfAHugeCell_data();
    void gridShowsTheStartOfAHugeCell();
};

void HugeInputTest::startsShowsAndWritesBackWhatItRead_data() {
    QTest::addColumn<Input>("input");
    QTest::addColumn<bool>("canonical"); // written by the program itself: the same bytes come back
    QTest::newRow("many records") << Input::ManyRecords << true;
    QTest::newRow("one 50 MB line") << Input::HugeLine << true;
    QTest::newRow("random bytes") << Input::RandomBytes << false;
    QTest::newRow("random bytes without end mark") << Input::RandomBytesWithoutEndMark << false;
    QTest::newRow("50 MB of separators") << Input::OnlySeparators << false;
}

void HugeInputTest::startsShowsAndWritesBackWhatItRead() {
    QFETCH(Input, input);
    QFETCH(bool, canonical);
    const QByteArray bytes = bytesOf(input);
    const book::AddressTable expected = tableOf(bytes);
    MainWindowRun run;
    run.writeAddresses(bytes);
    TForm1& form = run.start();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(run.startupErrors().isEmpty());
    QVERIFY2(describeMismatch(form.model().table(), expected).isEmpty(),
             describeMismatch(form.model().table(), expected).constData());
    const QAbstractItemModel& shown = *run.grid().model();
    for (int column = 0; column < shown.columnCount(); ++column) {
        const QString text = shown.data(shown.index(0, column)).toString();
        QVERIFY(static_cast<std::size_t>(text.size()) <= ui::GridTextLength + 1);
    }

    // A blank record goes first (an empty key is not above any), to the current row, and is deleted
    // again: the table is marked changed and holds the same records in the same order.
    whenModalOpens([](QWidget* entry) { click(*entry, "Button1"); });
    click(form, "Button1");
    QVERIFY(form.model().table().record(form.currentRecord()).isBlank());
    clickInNextModal(QStringLiteral("OK"));
    click(form, "Button2");
    QVERIFY(form.tableChanged());
    QVERIFY(run.close());

    const QByteArray written = run.addresses();
    QVERIFY2(describeMismatch(tableOf(written), expected).isEmpty(),
             describeMismatch(tableOf(written), expected).constData());
    if (canonical) {
        QVERIFY2(describeMismatch(written, bytes).isEmpty(), describeMismatch(written, bytes).constData());
    }
}

void HugeInputTest::windowMeasuresNoRowAndPaintsOnlyShownOnes() {
    MainWindowRun run;
    run.writeAddresses(manyRecords());
    TForm1& form = run.start();
    AddressGrid& grid = run.grid();
    QCOMPARE(grid.verticalHeader()->sectionResizeMode(ManyRecords / 2), QHeaderView::Fixed);
    for (int column = 0; column < grid.model()->columnCount(); ++column) {
        QVERIFY(grid.horizontalHeader()->sectionResizeMode(column) != QHeaderView::ResizeToContents);
    }

    const WatchingDelegate watcher(grid);
    form.resize(900, 600);
    setViewingFontSize(form, 14);
    QTest::keyClicks(&run.searchBox(), QStringLiteral("Wolf"));
    run.press(Qt::Key_Down);
    grid.scrollToBottom();
    QApplication::processEvents();
    grid.viewport()->repaint();

    QVERIFY(!watcher.painted().empty());
    QVERIFY2(watcher.painted().size() <= FewRows, QByteArray::number(watcher.painted().size()));
    QCOMPARE(watcher.paintedOutOfView(), 0);
    QVERIFY2(watcher.measured().size() <= FewRows, QByteArray::number(watcher.measured().size()));
}

// The steps of a run that could make a view lay out its rows: a new model, showing, a new font and
// row height, a column dragged or double-clicked at its border, all rows re-sorted, scrolling.
void HugeInputTest::gridAsksOnlyForShownRows() {
    LoadedList loaded(manyRecords());
    AddressModel model(loaded.list);
    RowWatchingProxy proxy;
    proxy.setSourceModel(&model);
    AddressGrid grid;
    grid.setModel(&proxy);
    grid.setRowHeight(16);
    grid.resize(632, 182);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));

    QFont font = grid.font();
    font.setPixelSize(24);
    grid.setFont(font);
    grid.setRowHeight(30);
    QHeaderView& columns = *grid.horizontalHeader();
    columns.resizeSection(0, 200);
    const QPoint border(columns.sectionViewportPosition(0) + columns.sectionSize(0) - 1,
                        columns.height() / 2);
    QTest::mouseDClick(columns.viewport(), Qt::LeftButton, {}, border);
    loaded.list.sortByColumn(1);
    grid.setCurrentIndex(proxy.index(ManyRecords / 2, 0));
    grid.scrollTo(grid.currentIndex());
    QApplication::processEvents();
    grid.scrollToBottom();
    QApplication::processEvents();
    grid.viewport()->repaint();

    QVERIFY(proxy.asked().contains(ManyRecords - 1));
    QVERIFY2(proxy.asked().size() <= FewRows, QByteArray::number(proxy.asked().size()));
}

void HugeInputTest::gridShowsTheStartOfAHugeCell_data() {
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<bool>("cut");
    QTest::newRow("ordinary") << qsizetype{80} << false;
    QTest::newRow("as long as shown") << qsizetype{ui::GridTextLength} << false;
    QTest::newRow("one byte longer") << qsizetype{ui::GridTextLength + 1} << true;
    QTest::newRow("50 MB") << HugeLength << true;
}

void HugeInputTest::gridShowsTheStartOfAHugeCell() {
    QFETCH(qsizetype, length);
    QFETCH(bool, cut);
    const QByteArray line = hugeLine();
    const std::string cell = line.left(length).toStdString();
    LoadedList loaded(QByteArray::fromStdString(cell + "|Rita"));
    AddressModel model(loaded.list);

    const QString shown = model.data(model.index(0, 0), Qt::DisplayRole).toString();
    QCOMPARE(model.table().cell(0, 0).size(), cell.size());
    if (cut) {
        QCOMPARE(shown,
                 ui::toDisplay(std::string_view(cell).substr(0, ui::GridTextLength)) + QChar(u'\u2026'));
    } else {
        QCOMPARE(shown, ui::toDisplay(cell));
    }
    QCOMPARE(model.data(model.index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("Rita"));
}

QTEST_MAIN(HugeInputTest)
#include "test_huge_input.moc"
