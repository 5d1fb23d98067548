// Reading and writing contacts on ordinary and on hostile files. Linear time shows as the same
// nanoseconds per input byte whatever the shape; bounded memory as a small, steady peak of live heap
// per input byte (counted by HeapCount's operator new).
#include "exchange/CsvReader.h"
#include "exchange/CsvWriter.h"
#include "exchange/VcardReader.h"
#include "exchange/VcardWriter.h"

#include "HeapCount.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <string>

namespace {

constexpr std::size_t Million = 1'000'000;
constexpr std::size_t FiftyMegabytes = 50 * Million;

std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

std::string millionCards() {
    return repeated("BEGIN:VCARD\r\nVERSION:3.0\r\nN:M\xC3\xBCller;Anna;;;\r\nFN:Anna M\xC3\xBCller\r\n"
                    "TEL;TYPE=CELL:+49 170 1234567\r\nEMAIL:anna@example.org\r\n"
                    "ADR:;;Hauptstr. 5;Berlin;;10115;Deutschland\r\nEND:VCARD\r\n",
                    Million);
}

std::string longLine() {
    return "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Lang;;;;\r\nNOTE:" + std::string(FiftyMegabytes, 'x') +
           "\r\nEND:VCARD\r\n";
}

std::string deepFolding() {
    return "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Tief;;;;\r\nNOTE:x" + repeated("\r\n 0123456789", 5 * Million) +
           "\r\nEND:VCARD\r\n";
}

std::string softBreaks() {
    return "BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE;ENCODING=QUOTED-PRINTABLE:" +
           repeated("=C3=BC=\r\n", 5 * Million) + "x\r\nEND:VCARD\r\n";
}

std::string unclosedCards() {
    return repeated("BEGIN:VCARD\r\nN:Offen;;;;\r\n", Million);
}

std::string csvRows() {
    return "Name,Firstname,Alias,Address,Tel / Fax,e-mail,Note\r\n" +
           repeated("M\xC3\xBCller,Anna,,\"Hauptstr. 5, 10115 Berlin\",+49 170 1234567,anna@example.org,\r\n",
                    Million);
}

// Every column known, and each row fills only the first: a row must not cost the whole heading.
std::string csvWideHeadingShortRows() {
    std::string heading;
    for (std::size_t i = 1; i <= Million; ++i) {
        heading += "Address " + std::to_string(i) + " - Street,";
    }
    return heading + "\r\n" + repeated("Weg 1\r\n", Million);
}

std::string csvLongQuotedField() {
    return "Name,Note\r\nLang,\"" + repeated("x\"\"\r\n", FiftyMegabytes / 4) + "\"\r\n";
}

void measureRead(benchmark::State& state, const std::function<std::string()>& make,
                 exchange::ReadResult (*read)(std::string_view)) {
    const std::string input = make();
    std::size_t peak = 0;
    std::chrono::nanoseconds reading{0};
    for (auto _ : state) {
        const std::size_t before = heapcount::liveBytes();
        heapcount::resetPeak();
        const auto start = std::chrono::steady_clock::now();
        const exchange::ReadResult result = read(input);
        reading += std::chrono::steady_clock::now() - start;
        benchmark::DoNotOptimize(result.contacts.data());
        peak = std::max(peak, heapcount::peakBytes() - before);
    }
    const auto bytes = static_cast<double>(input.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
    state.counters["ns_per_byte"] =
        static_cast<double>(reading.count()) / (static_cast<double>(state.iterations()) * bytes);
    state.counters["peak_heap_per_byte"] = static_cast<double>(peak) / bytes;
}

void BM_ReadMillionCards(benchmark::State& state) {
    measureRead(state, millionCards, exchange::readVcards);
}
void BM_ReadCardWithFiftyMegabyteLine(benchmark::State& state) {
    measureRead(state, longLine, exchange::readVcards);
}
void BM_ReadCardFoldedFiveMillionTimes(benchmark::State& state) {
    measureRead(state, deepFolding, exchange::readVcards);
}
void BM_ReadFiveMillionSoftLineBreaks(benchmark::State& state) {
    measureRead(state, softBreaks, exchange::readVcards);
}
void BM_ReadMillionCardsWithoutEnd(benchmark::State& state) {
    measureRead(state, unclosedCards, exchange::readVcards);
}
void BM_ReadMillionCsvRows(benchmark::State& state) {
    measureRead(state, csvRows, exchange::readCsv);
}
void BM_ReadCsvMillionColumnsShortRows(benchmark::State& state) {
    measureRead(state, csvWideHeadingShortRows, exchange::readCsv);
}
void BM_ReadCsvFiftyMegabyteQuotedField(benchmark::State& state) {
    measureRead(state, csvLongQuotedField, exchange::readCsv);
}

void measureWrite(benchmark::State& state, bool (*append)(std::string&, const exchange::ContactView&)) {
    const exchange::ContactView contact = {
        "M\xFCller",        "Anna", "", "Hauptstr. 5, 10115 Berlin", "+49 170 1234567 / 030 555 12",
        "anna@example.org", ""};
    for (auto _ : state) {
        std::string out;
        for (std::size_t i = 0; i < Million; ++i) {
            append(out, contact);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Million));
}

void BM_WriteMillionVcards(benchmark::State& state) {
    measureWrite(state, exchange::appendVcard);
}
void BM_WriteMillionCsvRows(benchmark::State& state) {
    measureWrite(state, exchange::appendCsvRow);
}

} // namespace

BENCHMARK(BM_ReadMillionCards)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadCardWithFiftyMegabyteLine)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadCardFoldedFiveMillionTimes)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadFiveMillionSoftLineBreaks)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadMillionCardsWithoutEnd)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadMillionCsvRows)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadCsvMillionColumnsShortRows)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadCsvFiftyMegabyteQuotedField)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WriteMillionVcards)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WriteMillionCsvRows)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
