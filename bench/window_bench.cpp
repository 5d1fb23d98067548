// The editing commands, a keystroke in the search box and a "find next" through the whole list on a list
// of a million addresses, each including the view's notification and the repaint of the grid (offscreen
// platform); and a long print seen from the window: the longest stretch in which the event loop dispatched
// nothing while 200,000 rows were printed into a PDF file. The print is started from inside the event loop,
// as the menu command starts it, so the copy of the table counts too.
#include "AddressList.h"
#include "StallMeter.h"
#include "book/AddressBook.h"
#include "book/Sort.h"
#include "print/ListPrinter.h"
#include "session/ListSession.h"
#include "ui/AddressGrid.h"
#include "ui/AddressModel.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

namespace {

constexpr int Records = 1'000'000;

// A folder with an "Adressen.txt" of that many records, written once for the whole run.
std::filesystem::path listFolder(int records) {
    static std::map<int, QTemporaryDir> folders;
    const auto [entry, made] = folders.try_emplace(records);
    if (made) {
        std::ofstream(entry->second.filePath(QStringLiteral("Adressen.txt")).toStdString(), std::ios::binary)
            << generateAddressText(records);
    }
    return entry->second.path().toStdString();
}

// The grid over the list of a folder, shown at the design size; the commands keep their journal there.
struct GridScene {
    session::ListSession list;
    AddressModel model{list};
    AddressGrid grid;
    explicit GridScene(const std::filesystem::path& folder)
        : list({folder, folder / "user.reg"}, session::ListSession::Use::Window) {
        list.open();
        grid.setModel(&model);
        grid.setRowHeight(16);
        grid.resize(632, 182);
        grid.show();
        QApplication::processEvents();
    }
    void repaint() { grid.viewport()->repaint(); }
};

// The million records sorted, viewed in the middle of the list; built once for all benchmarks.
GridScene& gridScene() {
    static const std::unique_ptr<GridScene> scene = [] {
        auto made = std::make_unique<GridScene>(listFolder(Records));
        made->list.sortByColumn(0);
        made->grid.setCurrentIndex(made->model.index(Records / 2, 0));
        QApplication::processEvents();
        return made;
    }();
    return *scene;
}

book::Record newRecord() {
    return book::Record{"Mittelmann", "Paul", "", "Am Markt 3", "0221 555", "p@example.com", ""};
}

// Each command as its handler runs it once the dialog has closed: through the session (its journal
// entry synced), the view told, the current row kept, the grid repainted.
void BM_Add(benchmark::State& state) {
    GridScene& scene = gridScene();
    const book::Record entry = newRecord();
    for (auto _ : state) {
        scene.grid.keepingCurrentRow([&] { scene.list.add(0, entry); });
        scene.repaint();
        state.PauseTiming();
        scene.list.remove(book::locateRow(scene.model.table(), 0, entry.field(0), 0, Records));
        state.ResumeTiming();
    }
}

void BM_Delete(benchmark::State& state) {
    GridScene& scene = gridScene();
    for (auto _ : state) {
        const int index = Records / 3;
        const book::Record removed = scene.model.table().record(index);
        scene.grid.keepingCurrentRow([&] { scene.list.remove(index); });
        scene.repaint();
        state.PauseTiming();
        scene.list.add(0, removed);
        state.ResumeTiming();
    }
}

void BM_ChangeWithResort(benchmark::State& state) {
    GridScene& scene = gridScene();
    for (auto _ : state) {
        const int index = Records / 4;
        book::Record changed = scene.model.table().record(index);
        changed.setField(0, "Zacharias");
        scene.grid.keepingCurrentRow([&] { scene.list.change(index, changed, 0); });
        scene.repaint();
    }
}

// A repaint of the grid over a short list whose first Name holds `state.range(0)` bytes, to compare
// one enormous cell with an ordinary one.
void BM_RepaintWithLongCell(benchmark::State& state) {
    GridScene scene(listFolder(100));
    book::Record first = scene.model.table().record(0);
    first.setField(0, std::string(static_cast<std::size_t>(state.range(0)), 'm'));
    scene.list.change(0, first, 1);
    for (auto _ : state) {
        scene.repaint();
    }
}

// The real main window over the million records, shown, with settings of its own.
struct WindowScene {
    QTemporaryDir config;
    session::ListSession list{
        {listFolder(Records), config.filePath(QStringLiteral("user.reg")).toStdString()},
        session::ListSession::Use::Window};
    std::unique_ptr<TForm1> form;
    WindowScene() {
        list.open();
        form = std::make_unique<TForm1>(list, std::nullopt);
        form->show();
        QApplication::processEvents();
    }
};

// A letter typed into the search box moves the selection and repaints.
void BM_KeystrokeInSearchBox(benchmark::State& state) {
    const WindowScene scene;
    TForm1& form = *scene.form;
    auto* const box = form.findChild<QLineEdit*>(QStringLiteral("Edit1"));
    bool typed = false;
    for (auto _ : state) {
        QTest::keyClick(box, typed ? Qt::Key_Backspace : Qt::Key_S);
        form.repaint();
        typed = !typed;
    }
}

constexpr int PrintedRecords = 200'000;

// "Find next" in the real window on a million rows sorted by first name, so that their lines lie
// scattered: with a text found nowhere (0), and with a number only the current record holds (1), found
// again after the whole list. The time runs from Enter in the find bar to the answer, the event loop
// turning between the slices; the longest stall is how long the window stood still meanwhile.
void BM_FindNextThroughWholeList(benchmark::State& state) {
    const WindowScene scene;
    TForm1& form = *scene.form;
    form.findChild<QComboBox*>(QStringLiteral("combo"))->setCurrentIndex(1);
    form.comboChange();
    auto* const grid = form.findChild<AddressGrid*>(QStringLiteral("stringgrid1"));
    grid->setCurrentIndex(form.model().index(Records / 2, 0));
    const std::string_view telephone = form.model().table().cell(4, form.currentRecord());
    const QString text = state.range(0) == 0 ? QStringLiteral("Xaverius")
                                             : QString::fromLatin1(telephone.substr(0, telephone.find(" /")));
    form.Suchen1Click();
    auto* const findText = form.findChild<QLineEdit*>(QStringLiteral("findText"));
    const auto* const told = form.findChild<QLabel*>(QStringLiteral("findStatus"));
    findText->setText(text);
    double longestMs = 0;
    for (auto _ : state) {
        const StallMeter meter;
        QTest::keyClick(findText, Qt::Key_Return);
        while (told->text() == QStringLiteral("Searching...")) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        longestMs = std::max(longestMs, meter.longestMs());
    }
    state.counters["longest_stall_ms"] = longestMs;
    state.counters["found"] = told->text().startsWith(QStringLiteral("Not found")) ? 0 : 1;
}

void BM_LongestStallDuringPrint(benchmark::State& state) {
    const book::AddressTable table(generateAddressText(PrintedRecords));
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

BENCHMARK(BM_Add)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_Delete)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_ChangeWithResort)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_RepaintWithLongCell)->Arg(80)->Arg(50'000'000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_KeystrokeInSearchBox)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_FindNextThroughWholeList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_LongestStallDuringPrint)->Unit(benchmark::kMillisecond)->Iterations(1);
