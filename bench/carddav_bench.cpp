// The client on a 10,000-card address book in Radicale on 127.0.0.1: a whole listing and the fetch of
// every card (addressbook-multiget in batches), a listing of what changed since a token, and the reading
// of the multistatus alone. CPU time is this process's (the client), real time includes the server's.
// "peak_MiB" is this process's peak resident memory so far: Qt Core, Qt Network, the benchmark and the
// 10,000 cards held in the answer.
#include "TenThousandCards.h"
#include "carddav/Multistatus.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <sys/resource.h>

namespace {

using benchcards::account;
using benchcards::Cards;
using benchcards::send;
using benchcards::server;

cardsync::Request listing(std::string token = {}) {
    cardsync::Request request;
    request.syncToken = std::move(token);
    return request;
}

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_ListAndFetchEveryCard(benchmark::State& state) {
    std::size_t fetched = 0;
    for (auto _ : state) {
        carddav::Client client(account(), server().password());
        const cardsync::Response listed = send(client, listing());
        cardsync::Request fetch;
        fetch.kind = cardsync::Request::Kind::Fetch;
        for (const cardsync::CardVersion& card : listed.cards) {
            fetch.hrefs.push_back(card.href);
        }
        fetched = send(client, std::move(fetch)).fetched.size();
    }
    state.counters["cards"] = static_cast<double>(fetched);
    state.counters["peak_MiB"] = peakMiB();
}
BENCHMARK(BM_ListAndFetchEveryCard)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ListNothingChangedSinceAToken(benchmark::State& state) {
    carddav::Client client(account(), server().password());
    const std::string token = send(client, listing()).syncToken;
    for (auto _ : state) {
        benchmark::DoNotOptimize(send(client, listing(token)).cards.size());
    }
}
BENCHMARK(BM_ListNothingChangedSinceAToken)->Unit(benchmark::kMillisecond)->UseRealTime();

// The client's own share of a multiget: reading 10,000 cards out of one multistatus.
void BM_ReadMultistatusOfEveryCard(benchmark::State& state) {
    QByteArray body =
        R"(<?xml version="1.0"?><multistatus xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">)";
    for (int i = 0; i < Cards; ++i) {
        body += "<response><href>/alice/contacts/card-" + QByteArray::number(i) +
                ".vcf</href><propstat><prop><getetag>\"" + QByteArray::number(i) +
                "\"</getetag><C:address-data>" + QByteArray::fromStdString(benchcards::card(i)) +
                "</C:address-data></prop><status>HTTP/1.1 200 OK</status>"
                "</propstat></response>";
    }
    body += "</multistatus>";
    for (auto _ : state) {
        std::size_t read = 0;
        carddav::MultistatusReader reader(
            [&read](carddav::DavResource&& resource) { read += !resource.addressData.isEmpty(); });
        for (qsizetype at = 0; at < body.size(); at += 16384) { // as the network hands it on
            reader.feed(body.mid(at, 16384));
        }
        if (!reader.finish().isEmpty() || read != Cards) {
            state.SkipWithError("the multistatus was not read whole");
        }
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_ReadMultistatusOfEveryCard)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
