#include "PrintAndWait.h"
#include "print/ListLayout.h"
#include "tests/support/Tables.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>
#include <stdexcept>

namespace {

constexpr int JobTimeoutMs = 60'000;

// Varied lengths in every column, so misaligned columns show.
book::AddressTable sampleTable(int records) {
    std::vector<book::Record> rows;
    for (int row = 1; row <= records; ++row) {
        const std::string number = std::to_string(row);
        rows.push_back(book::Record{"Name" + std::string(static_cast<std::size_t>(row % 7), 'n') + number,
                                    row % 3 == 0 ? "" : "Vorname" + number,
                                    std::string(static_cast<std::size_t>(row % 4), 'a'),
                                    "Strasse " + number + ", Ort", "0" + number + " / 99",
                                    "p" + number + "@example.org", row % 5 == 0 ? "Notiz" : ""});
    }
    return testsupport::tableOf(rows);
}

// What pdftotext gives back for a printed line: trailing spaces do not survive on paper.
QStringList expectedLines(const book::AddressTable& table) {
    const print::ListLayout layout(table);
    QStringList lines;
    for (int index = 0; index < layout.lineCount(); ++index) {
        const std::string line = layout.line(index);
        const std::size_t end = line.find_last_not_of(' ');
        lines << QString::fromLatin1(line.data(),
                                     end == std::string::npos ? 0 : static_cast<qsizetype>(end + 1));
    }
    return lines;
}

struct PrintedJob {
    QString title;     // as the queue logged it
    int pages = 0;     // as the queue counted them
    QString output;    // what cups-pdf made of it
    QString submitted; // the document as the queue received it; its text can be read back
};

} // namespace

// Prints through a real queue: a scheduler of the test's own with a cups-pdf printer as the default.
class TestPrintQueue : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void theQueueIsTheDefaultPrinter();
    void printsOneJobOfAlignedLines_data();
    void printsOneJobOfAlignedLines();
    void textStartsAtTheTopLeftInAMonospacedFace();
    void newFontSizeTakesEffectAtTheNextPrint();
    void jobRefusedByTheQueueRaises();

private:
    QString run(const QString& program, const QStringList& arguments);
    int queueScript(const QString& command, QString* output, QString* errors);
    PrintedJob printAndWait(const book::AddressTable& table, int fontPoints);
    QRectF firstHeading(const QString& pdf);
    QStringList pdfPages(const QString& pdf);

    QTemporaryDir folder_{QStringLiteral("/tmp/nw-queue-XXXXXX")}; // short: the socket path has a limit
    bool started_ = false;
    QString outFolder_;
    QString pageLog_;
    QString spoolFolder_;
    int jobsSeen_ = 0;
    std::unique_ptr<QTextEdit> editor_;
    std::unique_ptr<QPrinter> printer_;
    print::ListPrinter listPrinter_;
};

int TestPrintQueue::queueScript(const QString& command, QString* output, QString* errors) {
    QProcess process;
    process.start(QStringLiteral("bash"), {QStringLiteral(CUPS_PDF_QUEUE_SCRIPT), command, folder_.path()});
    if (!process.waitForFinished(JobTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        *errors = QStringLiteral("the queue script did not finish");
        return -1;
    }
    *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    *errors = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void TestPrintQueue::initTestCase() {
    QVERIFY(folder_.isValid());
    QString output;
    QString errors;
    const int status = queueScript(QStringLiteral("start"), &output, &errors);
    if (status == 77) {
        QSKIP(qPrintable(QStringLiteral("no print queue on this machine: ") + errors));
    }
    QVERIFY2(status == 0, qPrintable(errors));
    started_ = true;

    const QRegularExpression server(QStringLiteral("^CUPS_SERVER=(.*)$"),
                                    QRegularExpression::MultilineOption);
    const QRegularExpression out(QStringLiteral("^PDF_OUT=(.*)$"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch serverMatch = server.match(output);
    const QRegularExpressionMatch outMatch = out.match(output);
    QVERIFY2(serverMatch.hasMatch() && outMatch.hasMatch(), qPrintable(output));
    // Before anything asks CUPS: libcups keeps the first server it was told.
    qputenv("CUPS_SERVER", serverMatch.captured(1).toLocal8Bit());
    qunsetenv("LPDEST");
    qunsetenv("PRINTER");
    outFolder_ = outMatch.captured(1);
    pageLog_ = folder_.filePath(QStringLiteral("log/page_log"));
    spoolFolder_ = folder_.filePath(QStringLiteral("spool"));

    editor_ = std::make_unique<QTextEdit>();
    editor_->setFont(QFont(QStringLiteral("Courier New"), 8));
    printer_ = std::make_unique<QPrinter>();
}

void TestPrintQueue::cleanupTestCase() {
    if (started_) {
        QString output;
        QString errors;
        QVERIFY2(queueScript(QStringLiteral("stop"), &output, &errors) == 0, qPrintable(errors));
    }
}

void TestPrintQueue::init() {
    printer_->setPrinterName(QPrinterInfo::defaultPrinter().printerName());
}

QString TestPrintQueue::run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(JobTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        QTest::qFail(qPrintable(program + QStringLiteral(" failed: ") +
                                QString::fromLocal8Bit(process.readAllStandardError())),
                     __FILE__, __LINE__);
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The queue logs a line when a job has finished; cups-pdf has written the file by then.
PrintedJob TestPrintQueue::printAndWait(const book::AddressTable& table, int fontPoints) {
    if (const QString error = ::printAndWait(listPrinter_, table, *editor_, *printer_, fontPoints);
        !error.isEmpty()) {
        QTest::qFail(qPrintable(error), __FILE__, __LINE__);
        return {};
    }
    const QRegularExpression finished(QStringLiteral("^job-(\\d+) total (\\d+) (.*)$"));
    const QDeadlineTimer deadline(JobTimeoutMs);
    while (!deadline.hasExpired()) {
        QFile log(pageLog_);
        QStringList lines;
        if (log.open(QIODevice::ReadOnly)) {
            lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        }
        if (lines.size() > jobsSeen_) {
            const QRegularExpressionMatch match = finished.match(lines.at(jobsSeen_++));
            if (!match.hasMatch()) {
                return {};
            }
            const QString id = match.captured(1);
            const QStringList outputs =
                QDir(outFolder_).entryList({QStringLiteral("*-job_") + id + QStringLiteral(".pdf")});
            return {match.captured(3), match.captured(2).toInt(),
                    outputs.size() == 1 ? QDir(outFolder_).filePath(outputs.front()) : QString(),
                    QDir(spoolFolder_)
                        .filePath(QStringLiteral("d%1-001").arg(id.toInt(), 5, 10, QLatin1Char('0')))};
        }
        QTest::qWait(100);
    }
    return {};
}

// Where the heading "Name" begins on the first page and how wide it is, in points.
QRectF TestPrintQueue::firstHeading(const QString& pdf) {
    const QString words =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    const QRegularExpression name(QStringLiteral("<word xMin=\"(-?[0-9.]+)\" yMin=\"(-?[0-9.]+)\" "
                                                 "xMax=\"(-?[0-9.]+)\" yMax=\"(-?[0-9.]+)\">Name</word>"));
    const QRegularExpressionMatch match = name.match(words);
    if (!match.hasMatch()) {
        return {};
    }
    return QRectF(QPointF(match.captured(1).toDouble(), match.captured(2).toDouble()),
                  QPointF(match.captured(3).toDouble(), match.captured(4).toDouble()));
}

// The text of each page, one character per column at the font's own pitch: pdftotext's own guess at
// the spacing is not exact. A hair under the pitch, so that rounding never drops a column.
QStringList TestPrintQueue::pdfPages(const QString& pdf) {
    const double pitch = firstHeading(pdf).width() / 4 * 0.998;
    if (pitch <= 0) {
        return {};
    }
    QStringList pages = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-fixed"),
                                                          QString::number(pitch), pdf, QStringLiteral("-")})
                            .split(QLatin1Char('\f'));
    pages.removeLast(); // after the last page's form feed
    return pages;
}

void TestPrintQueue::theQueueIsTheDefaultPrinter() {
    QVERIFY(print::defaultPrinterKnown());
    QCOMPARE(QPrinterInfo::defaultPrinter().printerName(), QStringLiteral("PDF"));
}

void TestPrintQueue::printsOneJobOfAlignedLines_data() {
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pages");
    QTest::newRow("a few") << 3 << 1;
    QTest::newRow("onto a second page") << 150 << 2;
}

void TestPrintQueue::printsOneJobOfAlignedLines() {
    QFETCH(int, records);
    QFETCH(int, pages);
    const book::AddressTable table = sampleTable(records);

    const PrintedJob job = printAndWait(table, 8);
    QCOMPARE(job.title, QStringLiteral("Address list"));
    QCOMPARE(job.pages, pages);
    QVERIFY2(QFileInfo(job.output).fileName().startsWith(QStringLiteral("Address_list")),
             qPrintable(job.output));

    const QStringList printed = pdfPages(job.submitted);
    QCOMPARE(printed.size(), pages);
    QStringList lines;
    for (const QString& page : printed) {
        QStringList pageLines = page.split(QLatin1Char('\n'));
        while (!pageLines.isEmpty() && pageLines.last().isEmpty()) {
            pageLines.removeLast();
        }
        lines << pageLines;
    }
    // Line for line, so a page number, a header or a shifted column would show.
    QCOMPARE(lines, expectedLines(table));
}

void TestPrintQueue::textStartsAtTheTopLeftInAMonospacedFace() {
    const PrintedJob job = printAndWait(sampleTable(1), 8);
    const QRectF heading = firstHeading(job.submitted);
    QVERIFY(!heading.isEmpty());
    // The printable area of this printer is the whole sheet; the text starts at its corner.
    QVERIFY2(heading.left() < 1.0 && heading.top() < 1.0,
             qPrintable(QStringLiteral("starts at %1, %2").arg(heading.left()).arg(heading.top())));

    const QString fonts = run(QStringLiteral("pdffonts"), {job.submitted});
    QVERIFY2(
        fonts.contains(QStringLiteral("LiberationMono")) || fonts.contains(QStringLiteral("CourierNew")),
        qPrintable(QStringLiteral("\"Courier New\" resolved to no monospaced face (fonts-liberation):\n") +
                   fonts));
}

void TestPrintQueue::newFontSizeTakesEffectAtTheNextPrint() {
    const book::AddressTable table = sampleTable(150);
    const auto linesOnFirstPage = [&](int fontPoints) {
        const QStringList pages = pdfPages(printAndWait(table, fontPoints).submitted);
        return pages.isEmpty() ? 0 : pages.front().split(QLatin1Char('\n'), Qt::SkipEmptyParts).size();
    };
    const int small = linesOnFirstPage(8);
    const int large = linesOnFirstPage(16);
    // Line heights are rounded to device pixels, so twice the size is only about half the lines.
    QVERIFY2(large > 0 && large >= small * 0.4 && large <= small * 0.6,
             qPrintable(QStringLiteral("%1 lines at 8 points, %2 at 16").arg(small).arg(large)));
}

void TestPrintQueue::jobRefusedByTheQueueRaises() {
    run(QStringLiteral("/usr/sbin/cupsreject"), {QStringLiteral("PDF")});
    const QString message = ::printAndWait(listPrinter_, sampleTable(1), *editor_, *printer_, 8);
    run(QStringLiteral("/usr/sbin/cupsaccept"), {QStringLiteral("PDF")});
    // CUPS's own words, in the user's language; they name the queue.
    QVERIFY2(message.contains(QStringLiteral("PDF")), qPrintable(message));
    QVERIFY(!printAndWait(sampleTable(1), 8).output.isEmpty());
}

QTEST_MAIN(TestPrintQueue)
#include "test_print_queue.moc"
