// A long print seen from the window: the longest stretch in which the event loop dispatched nothing
// while 200,000 rows were printed into a PDF file (offscreen platform). The print is started from
// inside the event loop, as the menu command starts it, so the copy of the table counts too.
#include "AddressList.h"
#include "book/AddressFile.h"
#include "print/ListPrinter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr int Records = 200'000;

// The longest gap between two ticks of a 1 ms timer: while a handler runs, no tick is dispatched.
class StallMeter {
public:
    StallMeter() {
        ticks_.setTimerType(Qt::PreciseTimer);
        ticks_.setInterval(1);
        QObject::connect(&ticks_, &QTimer::timeout, [this] {
            longestMs_ = std::max(longestMs_, sinceLastTick_.nsecsElapsed() / 1e6);
            sinceLastTick_.restart();
        });
        sinceLastTick_.start();
        ticks_.start();
    }
    double longestMs() const { return longestMs_; }

private:
    QTimer ticks_;
    QElapsedTimer sinceLastTick_;
    double longestMs_ = 0;
};

void BM_LongestStallDuringPrint(benchmark::State& state) {
    book::AddressTable table;
    table.setRowCount(book::parseAddressText(generateAddressText(Records), table));
    const QTemporaryDir folder;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath(QStringLiteral("list.pdf")));
    QTextEdit editor;
    editor.setFont(QFont(QStringLiteral("Courier New"), 8));
    print::ListPrinter listPrinter;

    double longestMs = 0;
    double printMs = 0;
    double startMs = 0;
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(&listPrinter, &print::ListPrinter::ended, &loop, &QEventLoop::quit);
        const StallMeter meter;
        QElapsedTimer whole;
        QTimer::singleShot(5, &loop, [&] {
            whole.start();
            listPrinter.start(table, editor, printer, 8);
            startMs = static_cast<double>(whole.nsecsElapsed()) / 1e6;
        });
        loop.exec();
        printMs = static_cast<double>(whole.elapsed());
        longestMs = std::max(longestMs, meter.longestMs());
    }
    state.counters["longest_stall_ms"] = longestMs;
    state.counters["print_ms"] = printMs;
    state.counters["start_ms"] = startMs; // the copy of the table and the set-up, in one handler
}

} // namespace

BENCHMARK(BM_LongestStallDuringPrint)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
