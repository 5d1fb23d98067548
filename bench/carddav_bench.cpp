// The client on a 10,000-card address book in Radicale on 127.0.0.1: a whole listing and the fetch of
// every card (addressbook-multiget in batches), a listing of what changed since a token, and the reading
// of the multistatus alone. CPU time is this process's (the client), real time includes the server's.
// "peak_MiB" is this process's peak resident memory so far: Qt Core, Qt Network, the benchmark and the
// 10,000 cards held in the answer.
#include "carddav/Client.h"
#include "carddav/Multistatus.h"
#include "tests/support/DavServer.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <stdexcept>
#include <sys/resource.h>

namespace {

constexpr int Cards = 10'000;

std::string vcard(int i) {
    const std::string n = std::to_string(i);
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-" + n + "\r\nFN:Vorname" + n + " Nachname" + n +
           "\r\nN:Nachname" + n + ";Vorname" + n + ";;;\r\nNICKNAME:Spitz" + n + "\r\nTEL;TYPE=HOME:+49 30 " +
           n + "\r\nTEL;TYPE=FAX:+49 30 9" + n + "\r\nEMAIL:person" + n +
           "@example.org\r\nADR;TYPE=HOME:;;Hauptstraße " + n + ";Berlin;;10115;Deutschland\r\nNOTE:Notiz " +
           n + "\r\nEND:VCARD\r\n";
}

testsupport::DavServer& server() {
    static const std::unique_ptr<testsupport::DavServer> running = [] {
        testsupport::DavServer::Options options;
        for (int i = 0; i < Cards; ++i) {
            options.cards.push_back({"card-" + std::to_string(i) + ".vcf", vcard(i)});
        }
        return testsupport::DavServer::start(testsupport::DavServer::Kind::Radicale, options);
    }();
    return *running;
}

carddav::Account account() {
    carddav::Account account;
    account.serverUrl = server().root();
    account.addressBookUrl = server().addressBook();
    account.user = server().user();
    return account;
}

cardsync::Response run(carddav::Client& client, cardsync::Request request) {
    cardsync::Response response;
    QString failure;
    QEventLoop loop;
    QObject::connect(&client, &carddav::Client::finished, &loop, [&](const cardsync::Response& answer) {
        response = answer;
        loop.quit();
    });
    QObject::connect(&client, &carddav::Client::failed, &loop, [&](const carddav::Failure& failed) {
        failure = failed.message;
        loop.quit();
    });
    client.start(std::move(request));
    loop.exec();
    if (!failure.isEmpty()) {
        throw std::runtime_error(failure.toStdString());
    }
    return response;
}

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

// Radicale reads and hashes every card at its first listing; that is the server's cost once after its
// start, not the client's, so it happens before the measuring. (Xandikos is no server for this: it looks
// up every href of a multiget by going through the whole address book, 25 s a batch of 200.)
void warmUp() {
    static const bool done = [] {
        carddav::Client client(account(), server().password());
        client.setTimeout(std::chrono::minutes(10));
        run(client, listing());
        return true;
    }();
    (void)done;
}

void BM_ListAndFetchEveryCard(benchmark::State& state) {
    warmUp();
    std::size_t fetched = 0;
    for (auto _ : state) {
        carddav::Client client(account(), server().password());
        const cardsync::Response listed = run(client, listing());
        cardsync::Request fetch;
        fetch.kind = cardsync::Request::Kind::Fetch;
        for (const cardsync::CardVersion& card : listed.cards) {
            fetch.hrefs.push_back(card.href);
        }
        fetched = run(client, std::move(fetch)).fetched.size();
    }
    state.counters["cards"] = static_cast<double>(fetched);
    state.counters["peak_MiB"] = peakMiB();
}
BENCHMARK(BM_ListAndFetchEveryCard)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ListNothingChangedSinceAToken(benchmark::State& state) {
    warmUp();
    carddav::Client client(account(), server().password());
    const std::string token = run(client, listing()).syncToken;
    for (auto _ : state) {
        benchmark::DoNotOptimize(run(client, listing(token)).cards.size());
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
                "\"</getetag><C:address-data>" + QByteArray::fromStdString(vcard(i)) +
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
