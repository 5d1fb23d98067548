#include "print/ListLayout.h"
#include "print/ListPrinter.h"
#include "tests/support/Tables.h"

#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

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

QString composedText(const book::AddressTable& table) {
    QStringList lines;
    for (const std::string& line : print::composeList(table)) {
        lines << QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

// Printing into a PDF file: what the editor is left with, the busy guard and failures to start. The
// real queue is test_print_queue's.
class TestListPrinter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void noDefaultPrinterWithoutScheduler();
    void editorKeepsTheListInItsFontAtTheNewSize();
    void cellBytesReachTheEditorAsWindows1252();
    void printStartedDuringAPrintIsRefused();
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
    listPrinter_.print(first, *editor_, *printer_, 12);
    QCOMPARE(editor_->toPlainText(), composedText(first));
    QCOMPARE(editor_->font().pointSize(), 12);
    QCOMPARE(editor_->font().family(), QStringLiteral("Courier New"));
    QVERIFY(!editor_->font().bold());
    QVERIFY(QFileInfo(printer_->outputFileName()).size() > 0);

    const book::AddressTable second = tableOfNames({"Meier"});
    listPrinter_.print(second, *editor_, *printer_, 9);
    QCOMPARE(editor_->toPlainText(), composedText(second));
    QCOMPARE(editor_->font().pointSize(), 9);
}

void TestListPrinter::cellBytesReachTheEditorAsWindows1252() {
    listPrinter_.print(tableOfNames({"M\xFCller \x80 \x9C"}), *editor_, *printer_, 8);
    QVERIFY2(editor_->toPlainText().contains(QStringLiteral("Müller € œ")),
             qPrintable(editor_->toPlainText()));
}

void TestListPrinter::printStartedDuringAPrintIsRefused() {
    const book::AddressTable first = tableOfNames({"Zander", "Albers"});
    QString refusal;
    bool nested = false;
    connect(editor_.get(), &QTextEdit::textChanged, this, [&] {
        if (nested) {
            return;
        }
        nested = true;
        try {
            listPrinter_.print(tableOfNames({"Meier"}), *editor_, *printer_, 20);
        } catch (const std::runtime_error& error) {
            refusal = QString::fromUtf8(error.what());
        }
    });

    listPrinter_.print(first, *editor_, *printer_, 10);
    QCOMPARE(refusal, QStringLiteral("Das Drucken ist im Gang"));
    QCOMPARE(editor_->toPlainText(), composedText(first));
    QCOMPARE(editor_->font().pointSize(), 10);
    QVERIFY(!listPrinter_.busy());
}

void TestListPrinter::printerThatCannotStartRaises() {
    printer_->setOutputFileName(folder_.filePath(QStringLiteral("missing/list.pdf")));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             listPrinter_.print(tableOfNames({"Meier"}), *editor_, *printer_, 8));
    QVERIFY(!listPrinter_.busy());

    printer_->setOutputFileName(folder_.filePath(QStringLiteral("list.pdf")));
    listPrinter_.print(tableOfNames({"Meier"}), *editor_, *printer_, 8);
}

QTEST_MAIN(TestListPrinter)
#include "test_list_printer.moc"
