// The real program on a million addresses, beside GNU sort on the same file: open the list, re-sort
// it by first name, save it at quit; and an import of 100,000 contacts into it. Each run starts the
// executable on an X server of its own (Xvfb), changes the search field and quits with the keyboard
// (xdotool), and takes the CPU time and the peak memory of the process from the system; GNU sort is measured
// the same way in the same run.
#include "AddressList.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int Records = 1'000'000;

struct Finished {
    double cpuSeconds;    // user and system
    double peakMegabytes; // the largest resident set the process had
};

class Process {
public:
    explicit Process(const std::vector<std::string>& command) : name_(command.back()) {
        std::vector<char*> arguments;
        for (const std::string& argument : command) {
            arguments.push_back(const_cast<char*>(argument.c_str()));
        }
        arguments.push_back(nullptr);
        // fork, not posix_spawn: a child started by vfork takes the parent's peak memory with it into
        // its own figure.
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execvp(arguments[0], arguments.data());
            ::_exit(127);
        }
        if (pid_ < 0) {
            throw std::runtime_error("cannot start " + command[0]);
        }
    }
    ~Process() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }

    Finished wait() {
        int status = 0;
        rusage usage{};
        ::wait4(std::exchange(pid_, -1), &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            throw std::runtime_error(name_ + " failed: status " + std::to_string(status));
        }
        const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
        return {seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss / 1024.0};
    }

private:
    std::string name_;
    pid_t pid_ = -1;
};

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}

// One X server for the whole run, on a display it picks itself.
class Display {
public:
    Display() {
        const fs::path file =
            fs::temp_directory_path() / ("numberwell-display-" + std::to_string(::getpid()));
        server_.emplace(
            std::vector<std::string>{"sh", "-c",
                                     "exec Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp "
                                     "-noreset 3>" +
                                         file.string() + " 2>/dev/null"});
        std::error_code notYet;
        for (int tries = 0; tries < 200 && (fs::file_size(file, notYet) == 0 || notYet); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        std::string number;
        std::ifstream(file) >> number;
        fs::remove(file);
        if (number.empty()) {
            throw std::runtime_error("Xvfb did not start (Debian package xvfb)");
        }
        ::setenv("DISPLAY", (":" + number).c_str(), 1);
    }

private:
    std::optional<Process> server_;
};

struct Scratch {
    fs::path folder;
    Scratch()
        : folder(fs::temp_directory_path() / ("numberwell-program-bench-" + std::to_string(::getpid()))) {
        fs::create_directories(folder / "program");
        fs::create_directories(folder / "config");
        // NUMBERWELL_PROGRAM measures another build (an older one, say) in the same way.
        const char* const other = std::getenv("NUMBERWELL_PROGRAM");
        fs::copy_file(other != nullptr ? other : NUMBERWELL_EXECUTABLE, folder / "program" / "numberwell",
                      fs::copy_options::overwrite_existing);
        std::ofstream(folder / "list.txt", std::ios::binary) << generateAddressText(Records);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

void BM_OpenResortSaveVersusGnuSort(benchmark::State& state) {
    const Display display;
    const Scratch scratch;
    const fs::path list = scratch.folder / "list.txt";
    const double fileMegabytes = static_cast<double>(fs::file_size(list)) / (1024.0 * 1024.0);
    ::setenv("XDG_CONFIG_HOME", (scratch.folder / "config").c_str(), 1);
    double ours = 0;
    double gnu = 0;
    double oursBest = 1e9;
    double gnuBest = 1e9;
    double peak = 0;
    double shownSeconds = 0;
    for (auto _ : state) {
        fs::copy_file(list, scratch.folder / "program" / "Adressen.txt",
                      fs::copy_options::overwrite_existing);
        // Every run a first start: sorted by Name, so that Down in the search field picks Firstname.
        fs::remove_all(scratch.folder / "config");
        // On the disk before the run, as a list saved in an earlier session is: replacing a file whose
        // pages still wait for the disk makes the kernel's work on them count as the program's.
        ::sync();
        const auto start = Clock::now();
        Process program({(scratch.folder / "program" / "numberwell").string()});
        const std::string window = "$(xdotool search --sync --onlyvisible --pid " +
                                   std::to_string(program.pid()) + " --name '^Numberwell')";
        // Asked every 10 ms: xdotool's own --sync looks only twice a second.
        const std::string shown = "xdotool search --onlyvisible --pid " + std::to_string(program.pid()) +
                                  " --name '^Numberwell' >/dev/null 2>&1";
        for (const auto deadline = start + std::chrono::seconds(60); std::system(shown.c_str()) != 0;) {
            if (Clock::now() > deadline) {
                throw std::runtime_error("the window did not appear");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        shownSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        // No window manager hands out the focus; then Tab to the search field, Down picks "Firstname",
        // and the menu "Quit" closes the window, which saves.
        run("w=" + window + "; xdotool windowfocus --sync $w && timeout 60 sh -c " +
            "'until [ \"$(xdotool getwindowname '$w')\" = \"Numberwell V1.0 \" ]; do sleep 0.02; done' && " +
            "xdotool key --delay 30 Tab Down alt+q q");
        const Finished finished = program.wait();
        ours += finished.cpuSeconds;
        oursBest = std::min(oursBest, finished.cpuSeconds);
        peak = std::max(peak, finished.peakMegabytes);

        Process sort({"sh", "-c",
                      "LC_ALL=C exec sort -s -f -t'|' -k2,2 '" + list.string() + "' -o '" +
                          (scratch.folder / "sorted.txt").string() + "'"});
        const double sorted = sort.wait().cpuSeconds;
        gnu += sorted;
        gnuBest = std::min(gnuBest, sorted);
    }
    const auto runs = static_cast<double>(state.iterations());
    // Other work on a shared machine only ever adds time: the best runs compare the programs themselves.
    state.counters["best_ours_per_gnu"] = oursBest / gnuBest;
    state.counters["file_MB"] = fileMegabytes;
    state.counters["peak_MB"] = peak;
    state.counters["peak_per_file"] = peak / fileMegabytes;
    state.counters["ours_cpu_s"] = ours / runs;
    state.counters["gnu_sort_cpu_s"] = gnu / runs;
    state.counters["ours_per_gnu"] = ours / gnu;
    state.counters["shown_after_s"] = shownSeconds / runs;
}

// vCard 3.0 of the generated records, in UTF-8, as a phone or a contact manager would export them.
std::string contactsFile(int contacts) {
    const std::string text = generateAddressText(contacts);
    std::string cards;
    cards.reserve(text.size() * 2);
    const auto utf8 = [&cards](std::string_view field) {
        for (const char byte : field) {
            const auto code = static_cast<unsigned char>(byte);
            if (code < 0x80) {
                cards.push_back(byte);
            } else { // the generator's letters all lie in Latin-1
                cards.push_back(static_cast<char>(0xC0 | (code >> 6)));
                cards.push_back(static_cast<char>(0x80 | (code & 0x3F)));
            }
        }
    };
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find("\r\n", begin);
        std::vector<std::string_view> fields;
        for (std::size_t field = begin; field <= end;) {
            const std::size_t bar = std::min(text.find('|', field), end);
            fields.emplace_back(text.data() + field, bar - field);
            field = bar + 1;
        }
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:";
        utf8(fields[0]);
        cards += ";";
        utf8(fields[1]);
        cards += ";;;\r\nFN:";
        utf8(fields[1]);
        cards += " ";
        utf8(fields[0]);
        cards += "\r\nTEL:";
        utf8(fields[4]);
        cards += "\r\nEMAIL:";
        utf8(fields[5]);
        cards += "\r\nEND:VCARD\r\n";
        begin = end + 2;
    }
    return cards;
}

// numberwell --import of 100,000 contacts into the million-record list, end to end: the wall time of
// the process, which reads the list, adds the contacts as Add would and saves.
void BM_ImportHundredThousandContacts(benchmark::State& state) {
    const Scratch scratch;
    const fs::path contacts = scratch.folder / "contacts.vcf";
    std::ofstream(contacts, std::ios::binary) << contactsFile(100'000);
    ::setenv("XDG_CONFIG_HOME", (scratch.folder / "config").c_str(), 1);
    for (auto _ : state) {
        fs::copy_file(scratch.folder / "list.txt", scratch.folder / "program" / "Adressen.txt",
                      fs::copy_options::overwrite_existing);
        ::sync();
        const auto start = Clock::now();
        Process program(
            {(scratch.folder / "program" / "numberwell").string(), "--import", contacts.string()});
        const Finished finished = program.wait();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        state.counters["cpu_s"] = finished.cpuSeconds;
        state.counters["peak_MB"] = finished.peakMegabytes;
    }
}

BENCHMARK(BM_OpenResortSaveVersusGnuSort)->Iterations(5)->Unit(benchmark::kSecond);
BENCHMARK(BM_ImportHundredThousandContacts)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
