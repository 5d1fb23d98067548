// The sync side by side with vdirsyncer, in one run, on the same 10,000-card address book in a Radicale of
// its own on 127.0.0.1: the first sync into an empty list (an empty folder for vdirsyncer), and a sync with
// one change on each side afterwards (a record or a .vcf file here, a card changed by another client
// there). Wall time of the whole process, peak resident memory from the system. Then the window: the
// longest stretch without event dispatch while its first sync of the 10,000 cards runs.
#include "StallMeter.h"
#include "TenThousandCards.h"
#include "session/ListSession.h"
#include "sync/CardPatch.h"
#include "synchronise/SyncJob.h"
#include "ui/Unit1.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>

#include <chrono>
#include <fcntl.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

using benchcards::account;
using benchcards::send;
using benchcards::server;

// Another client changes a card there: its telephone number.
void changeCardThere(int card, int round) {
    carddav::Client client(account(), server().password());
    cardsync::Request fetch;
    fetch.kind = cardsync::Request::Kind::Fetch;
    fetch.hrefs = {server().addressBook().path().toStdString() + "card-" + std::to_string(card) + ".vcf"};
    const cardsync::Card got = send(client, fetch).fetched.at(0);
    book::Record record = cardsync::readCard(got.vcard).record.value();
    record.setField(4, "+49 40 " + std::to_string(round));
    cardsync::Request update;
    update.kind = cardsync::Request::Kind::Update;
    update.href = got.href;
    update.etag = got.etag;
    update.vcard = cardsync::patchedCard(got.vcard, record);
    send(client, update);
}

struct Finished {
    double seconds = 0;
    double peakMiB = 0;
};

// The program with its arguments, standard input from a file, the environment with these additions; its
// own wall time and peak memory.
Finished runProgram(std::vector<std::string> arguments, const std::vector<std::string>& environment,
                    const fs::path& input) {
    std::vector<std::string> variables = environment;
    for (char** variable = environ; *variable; ++variable) {
        variables.emplace_back(*variable);
    }
    std::vector<char*> argv, envp;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    for (std::string& variable : variables) {
        envp.push_back(variable.data());
    }
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int in = ::open(input.c_str(), O_RDONLY);
        const int out = ::open("/dev/null", O_WRONLY);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(arguments.front() + " failed");
    }
    return {took.count(), static_cast<double>(usage.ru_maxrss) / 1024.0};
}

void writeFile(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// Numberwell in a folder of its own with an empty list; or vdirsyncer with an empty folder of cards.
class Device {
public:
    explicit Device(bool vdirsyncer) : vdirsyncer_(vdirsyncer), root_(folder_.path().toStdString()) {
        writeFile(root_ / "password", "pw\n");
        if (vdirsyncer_) {
            fs::create_directories(root_ / "cards");
            writeFile(
                root_ / "config",
                "[general]\nstatus_path = \"" + (root_ / "status").string() +
                    "\"\n[pair phone]\na = \"cards\"\nb = \"server\"\ncollections = null\n"
                    "conflict_resolution = \"b wins\"\n[storage cards]\ntype = \"filesystem\"\npath = \"" +
                    (root_ / "cards").string() +
                    "\"\nfileext = \".vcf\"\n[storage server]\ntype = "
                    "\"carddav\"\nurl = \"" +
                    server().addressBook().toString().toStdString() +
                    "\"\nusername = \"alice\"\npassword = \"pw\"\n");
            runProgram({"vdirsyncer", "-c", (root_ / "config").string(), "discover"}, {}, "/dev/null");
        } else {
            fs::copy_file(NUMBERWELL_EXECUTABLE, root_ / "numberwell");
            writeFile(root_ / "Adressen.txt", "");
        }
    }

    Finished sync() const {
        if (vdirsyncer_) {
            return runProgram({"vdirsyncer", "-c", (root_ / "config").string(), "sync"}, {}, "/dev/null");
        }
        return runProgram({(root_ / "numberwell").string(), "--sync",
                           server().root().toString().toStdString(), "--user", "alice", "--password-stdin"},
                          {"XDG_CONFIG_HOME=" + (root_ / "config").string(),
                           "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"},
                          root_ / "password");
    }

    // One record here changed: a line of the list, or a .vcf file, rewritten by another program.
    void changeOne(int round) const {
        const std::string mark = "Runde " + std::to_string(round);
        if (vdirsyncer_) {
            const fs::path file = fs::directory_iterator(root_ / "cards")->path();
            std::string text = readFile(file);
            text.insert(text.find("END:VCARD"), "NOTE:" + mark + "\r\n");
            writeFile(file, text);
            return;
        }
        std::string list = readFile(root_ / "Adressen.txt");
        list.insert(list.find("\r\n"), mark);
        writeFile(root_ / "Adressen.txt", list);
    }

private:
    static std::string readFile(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    bool vdirsyncer_;
    QTemporaryDir folder_;
    fs::path root_;
};

// Arg 0: numberwell --sync; 1: vdirsyncer.
void BM_FirstSyncOf10000Cards(benchmark::State& state) {
    Finished last;
    for (auto _ : state) {
        state.PauseTiming();
        const Device device(state.range(0) == 1);
        state.ResumeTiming();
        last = device.sync();
        state.SetIterationTime(last.seconds);
    }
    state.counters["peak_MiB"] = last.peakMiB;
}
BENCHMARK(BM_FirstSyncOf10000Cards)->Arg(0)->Arg(1)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

void BM_OneChangeOnEachSide(benchmark::State& state) {
    const Device device(state.range(0) == 1);
    device.sync();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        device.sync(); // what the other benchmarks changed
        ++round;
        device.changeOne(round);
        changeCardThere(100 + static_cast<int>(state.range(0)), round);
        state.ResumeTiming();
        state.SetIterationTime(device.sync().seconds);
    }
}
BENCHMARK(BM_OneChangeOnEachSide)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

class Agreeing : public synchronise::Questions {
public:
    std::optional<QString> password(const carddav::Account&, const QString&) override { return std::nullopt; }
    std::optional<carddav::AddressBook> chooseAddressBook(const carddav::Account&,
                                                          const QList<carddav::AddressBook>&) override {
        return std::nullopt;
    }
    bool acceptCertificate(const carddav::Account&, const carddav::Failure&) override { return false; }
    bool allowPlainHttp(const carddav::Account&, const carddav::Failure&) override { return false; }
    bool confirmDeletions(const QString&) override { return true; }
    int keyColumn() const override { return 0; }
};

// The real window over an empty list while the 10,000 cards arrive through the model.
void BM_LongestStallDuringWindowSync(benchmark::State& state) {
    double longestMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QTemporaryDir folder;
        writeFile(folder.filePath(QStringLiteral("Adressen.txt")).toStdString(), "");
        session::ListSession list(
            {folder.path().toStdString(), folder.filePath(QStringLiteral("user.reg")).toStdString()},
            session::ListSession::Use::Window);
        list.open();
        TForm1 form(list, std::nullopt);
        form.show();
        QApplication::processEvents();
        Agreeing agreeing;
        synchronise::SyncJob job(list, agreeing);
        QEventLoop loop;
        QObject::connect(&job, &synchronise::SyncJob::ended, &loop, &QEventLoop::quit);
        state.ResumeTiming();
        const StallMeter meter;
        job.start(account(), server().password());
        loop.exec();
        longestMs = std::max(longestMs, meter.longestMs());
        state.counters["records"] = form.model().rowCount();
    }
    state.counters["longest_stall_ms"] = longestMs;
}
BENCHMARK(BM_LongestStallDuringWindowSync)->Iterations(2)->Unit(benchmark::kSecond);

} // namespace
