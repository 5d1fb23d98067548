#include "PrintAndWait.h"
#include "print/ListLayout.h"
#include "tests/support/Tables.h"

#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <memory>
#include <stdexcept>

namespace {

book::AddressTable tableOfNames(std::initializer_list<std::string_view> names) {
    std::vector<book::Record> records;
    for (const std::string_view name : names) {
        records.push_back(book::Record{name});
    }
    return testsupport::tableOf(records);
}

// Enough lines for some dozens of pages.
book::AddressTable manyPages() {
    std::vector<book::Record> records;
    for (int row = 1; row <= 3000; ++row) {
        records.push_back(book::Record{"Name " + std::to_string(row)});
    }
    return testsupport::tableOf(records);
}

QString composedText(const book::AddressTable& table) {
    const print::ListLayout layout(table);
    QStringList lines;
    for (int index = 0; index < layout.lineCount(); ++index) {
        lines << QString::fromStdString(layout.line(index));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

// Printing into a PDF file: what the editor is left with, the event loop meanwhile, the busy guard,
// cancelling and failures to start. The real queue is test_print_queue's.
class TestListPrinter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void noDefaultPrinterWithoutScheduler();
    void editorKeepsTheListInItsFontAtTheNewSize();
    void cellBytesReachTheEditorAsWindows1252();
    void theEventLoopRunsAndThePrintKeepsItsCopy();
    void printStartedDuringAPrintIsRefused();
    void cancelLeavesNoHalfPrintout();
    void printerThatCannotStartRaises();

private:
    QTemporaryDir folder_;
    std::unique_ptr<QTextEdit> editor_;
    std::unique_ptr<QPrinter> printer_;
    print::ListPrinter listPrinter_;
};

void TestListPrinter::initTestCase() {
    QVERIFY(folder_.isValid());
    // No scheduler answers here, whatever the machine has.
    qputenv("CUPS_SERVER", folder_.filePath(QStringLiteral("no-scheduler.sock")).toLocal8Bit());
    qunsetenv("LPDEST");
    qunsetenv("PRINTER");
}

void TestListPrinter::init() {
    editor_ = std::make_unique<QTextEdit>();
    editor_->setFont(QFont(QStringLiteral("Courier New"), 8));
    editor_->setPlainText(QStringLiteral("editor"));
    printer_ = std::make_unique<QPrinter>();
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(folder_.filePath(QStringLiteral("list.pdf")));
}

void TestListPrinter::noDefaultPrinterWithoutScheduler() {
    QVERIFY(!print::defaultPrinterKnown());
}

void TestListPrinter::editorKeepsTheListInItsFontAtTheNewSize() {
    const book::AddressTable first = tableOfNames({"Zander", "Albers"});
    QCOMPARE(printAndWait(listPrinter_, first, *editor_, *printer_, 12), QString());
    QCOMPARE(editor_->toPlainText(), composedText(first));
    QCOMPARE(editor_->font().pointSize(), 12);
    QCOMPARE(editor_->font().family(), QStringLiteral("Courier New"));
    QVERIFY(!editor_->font().bold());
    QVERIFY(QFileInfo(printer_->outputFileName()).size() > 0);

    const book::AddressTable second = tableOfNames({"Meier"});
    QCOMPARE(printAndWait(listPrinter_, second, *editor_, *printer_, 9), QString());
    QCOMPARE(editor_->toPlainText(), composedText(second));
    QCOMPARE(editor_->font().pointSize(), 9);
}

void TestListPrinter::cellBytesReachTheEditorAsWindows1252() {
    QCOMPARE(printAndWait(listPrinter_, tableOfNames({"M\xFCller \x80 \x9C"}), *editor_, *printer_, 8),
             QString());
    QVERIFY2(editor_->toPlainText().contains(QStringLiteral("Müller € œ")),
             qPrintable(editor_->toPlainText()));
}

void TestListPrinter::theEventLoopRunsAndThePrintKeepsItsCopy() {
    book::AddressTable table = manyPages();
    const QString expected = composedText(table);
    bool loopRan = false;
    QTimer::singleShot(0, this, [&] { loopRan = listPrinter_.busy(); });
    QSignalSpy ended(&listPrinter_, &print::ListPrinter::ended);
    listPrinter_.start(table, *editor_, *printer_, 8);
    table.setRecord(0, book::Record{"changed while printing"});
    QVERIFY(ended.wait(60'000));
    QVERIFY2(loopRan, "the event loop did not run while the pages were printed");
    QCOMPARE(editor_->toPlainText(), expected);
}

void TestListPrinter::printStartedDuringAPrintIsRefused() {
    const book::AddressTable first = manyPages();
    QSignalSpy ended(&listPrinter_, &print::ListPrinter::ended);
    listPrinter_.start(first, *editor_, *printer_, 10);
    QVERIFY(listPrinter_.busy());
    QString refusal;
    try {
        listPrinter_.start(tableOfNames({"Meier"}), *editor_, *printer_, 20);
    } catch (const std::runtime_error& error) {
        refusal = QString::fromUtf8(error.what());
    }
    QCOMPARE(refusal, QStringLiteral("Das Drucken ist im Gang"));
    QVERIFY(ended.wait(60'000));
    QCOMPARE(editor_->toPlainText(), composedText(first));
    QCOMPARE(editor_->font().pointSize(), 10);
    QVERIFY(!listPrinter_.busy());
}

void TestListPrinter::cancelLeavesNoHalfPrintout() {
    QSignalSpy ended(&listPrinter_, &print::ListPrinter::ended);
    QSignalSpy progressed(&listPrinter_, &print::ListPrinter::progressed);
    listPrinter_.start(manyPages(), *editor_, *printer_, 8);
    QVERIFY(progressed.wait(10'000)); // a slice of pages is out
    listPrinter_.cancel();
    QCOMPARE(ended.size(), 1);
    QVERIFY(!listPrinter_.busy());
    QVERIFY(!QFileInfo::exists(printer_->outputFileName()));
    QCOMPARE(printAndWait(listPrinter_, tableOfNames({"Meier"}), *editor_, *printer_, 8), QString());
}

void TestListPrinter::printerThatCannotStartRaises() {
    printer_->setOutputFileName(folder_.filePath(QStringLiteral("missing/list.pdf")));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             listPrinter_.start(tableOfNames({"Meier"}), *editor_, *printer_, 8));
    QVERIFY(!listPrinter_.busy());

    printer_->setOutputFileName(folder_.filePath(QStringLiteral("list.pdf")));
    QCOMPARE(printAndWait(listPrinter_, tableOfNames({"Meier"}), *editor_, *printer_, 8), QString());
}

QTEST_MAIN(TestListPrinter)
#include "test_list_printer.moc"
