// Speed of the address book core on generated lists of realistic addresses.
#include "AddressList.h"
#include "book/AddressBook.h"
#include "book/Find.h"
#include "book/Sort.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class ScratchFolder {
public:
    ScratchFolder() {
        std::string name = (fs::temp_directory_path() / "numberwell-bench-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), "mkdtemp");
        }
        path_ = name;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// One address file per list size, written once for all benchmarks.
const fs::path& addressFolder(int records) {
    static std::map<int, ScratchFolder> folders;
    const auto [entry, created] = folders.try_emplace(records);
    if (created) {
        const std::string text = generateAddressText(records);
        std::ofstream(entry->second.path() / book::AddressFileName, std::ios::binary)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return entry->second.path();
}

book::AddressTable loadedTable(int records) {
    book::AddressBook book(addressFolder(records));
    book.load();
    return book.table();
}

void BM_Load(benchmark::State& state) {
    const fs::path& folder = addressFolder(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::optional<book::AddressBook> book(std::in_place, folder);
        book->load();
        benchmark::DoNotOptimize(book->table().recordCount());
        state.PauseTiming();
        book.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(fs::file_size(folder / book::AddressFileName)));
}

// The list as read, and after a sort, when its rows lie all over the buffer.
void BM_Save(benchmark::State& state) {
    const ScratchFolder out;
    fs::copy_file(addressFolder(static_cast<int>(state.range(0))) / book::AddressFileName,
                  out.path() / book::AddressFileName);
    book::AddressBook book(out.path());
    book.load();
    if (state.range(1) != 0) {
        book.sortByColumn(1);
    }
    for (auto _ : state) {
        book.save();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(book.path())));
}

// Every run is a change of key column: Name and Firstname by turns.
void BM_SortAfterKeyChange(benchmark::State& state) {
    book::AddressTable table = loadedTable(static_cast<int>(state.range(0)));
    book::sortByColumn(table, 0);
    int column = 0;
    for (auto _ : state) {
        column = 1 - column;
        book::sortByColumn(table, column);
    }
}

// The first sort after the start: the rows still in the file's order.
void BM_FirstSortByFirstname(benchmark::State& state) {
    const book::AddressTable loaded = loadedTable(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        book::AddressTable table = loaded;
        state.ResumeTiming();
        book::sortByColumn(table, 1);
        benchmark::DoNotOptimize(table.recordCount());
    }
}

// The search box's work for one keystroke, over a table sorted by Name.
void BM_LocateRowPerKeystroke(benchmark::State& state) {
    book::AddressTable table = loadedTable(static_cast<int>(state.range(0)));
    book::sortByColumn(table, 0);
    constexpr std::array<std::string_view, 12> Typed = {"m",         "m\xfc",      "m\xfcl", "m\xfcll",
                                                        "M\xfcllER", "z",          "zi",     "zim",
                                                        "zimmerman", "Zimmermann", "a",      "\xd6zt"};
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(book::locateRow(table, 0, Typed[next], 0, table.recordCount() - 1));
        next = (next + 1) % Typed.size();
    }
}

// One find through the whole table sorted by Firstname, all at once: a text found nowhere (0), one made
// only of frequent letters found nowhere (1), and a telephone number only the record before the start
// holds (2).
void BM_FindThroughWholeTable(benchmark::State& state) {
    book::AddressTable table = loadedTable(1'000'000);
    book::sortByColumn(table, 1);
    const int after = 500'000;
    const std::string_view telephone = table.cell(4, after);
    const std::array<std::string, 3> texts = {"Xaverius", "Ennenen", std::string(telephone.substr(0, 11))};
    const std::string& text = texts[static_cast<std::size_t>(state.range(0))];
    for (auto _ : state) {
        benchmark::DoNotOptimize(book::findRecord(table, text, after));
    }
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Our whole round (load, sort by Name, save) beside GNU sort doing the same to the same file: a stable,
// case-folding sort on the first '|' field in the C locale.
void BM_RoundTripVersusGnuSort(benchmark::State& state) {
    const fs::path& folder = addressFolder(static_cast<int>(state.range(0)));
    const ScratchFolder out;
    const std::string command = "LC_ALL=C sort -s -f -t'|' -k1,1 '" +
                                (folder / book::AddressFileName).string() + "' -o '" +
                                (out.path() / "sorted.txt").string() + "'";
    double ours = 0;
    double gnu = 0;
    for (auto _ : state) {
        fs::copy_file(folder / book::AddressFileName, out.path() / book::AddressFileName,
                      fs::copy_options::overwrite_existing);
        const auto start = Clock::now();
        book::AddressBook book(out.path());
        book.load();
        book.sortByColumn(0);
        book.save();
        const double seconds = secondsSince(start);
        ours += seconds;
        state.SetIterationTime(seconds);

        const auto gnuStart = Clock::now();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("GNU sort failed");
            return;
        }
        gnu += secondsSince(gnuStart);
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["ours_s"] = ours / runs;
    state.counters["gnu_sort_s"] = gnu / runs;
    state.counters["ours_per_gnu"] = ours / gnu;
}

BENCHMARK(BM_Load)->Arg(1'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)
    ->Args({1'000, 0})
    ->Args({100'000, 0})
    ->Args({1'000'000, 0})
    ->Args({1'000'000, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortAfterKeyChange)->Arg(1'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSortByFirstname)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateRowPerKeystroke)->Arg(1'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_FindThroughWholeTable)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoundTripVersusGnuSort)
    ->Arg(1'000'000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
