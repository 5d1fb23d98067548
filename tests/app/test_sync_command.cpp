// numberwell --sync on the real executable against Radicale 3 and Xandikos on 127.0.0.1: both sides
// merged, vdirsyncer as the other device, faults through the proxy and a kill -9, each followed by a
// normal sync that loses and doubles nothing.
#include "carddav/Client.h"
#include "files/FileLock.h"
#include "sync/CardPatch.h"
#include "tests/carddav/Await.h"
#include "tests/support/DavServer.h"
#include "tests/support/FaultProxy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <csignal>

namespace {

namespace fs = std::filesystem;
using namespace carddav::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::DavServer;
using testsupport::FaultProxy;
using testsupport::readBytes;
using testsupport::writeBytes;
using Fault = FaultProxy::Fault;
using Rows = std::vector<std::string>; // "Name|Firstname|...|Note", sorted

struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

Rows rowsOf(const std::vector<book::Record>& records) {
    Rows rows;
    for (const book::Record& record : records) {
        std::string row(record.field(0));
        for (int column = 1; column < book::ColumnCount; ++column) {
            row += '|' + std::string(record.field(column));
        }
        rows.push_back(row);
    }
    std::ranges::sort(rows);
    return rows;
}

std::string card(const std::string& uid, const std::string& n, const std::string& more = {}) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + uid + "\r\nN:" + n + ";;;\r\n" + more +
           "END:VCARD\r\n";
}

std::vector<std::string> numberedCards(int count) {
    std::vector<std::string> cards;
    for (int i = 0; i < count; ++i) {
        cards.push_back(card("c" + std::to_string(i), "There" + std::to_string(i) + ";X"));
    }
    return cards;
}

// A program folder of its own with the executable, settings of its own, no secret service, and a server.
class SyncCommandTest : public ::testing::Test {
protected:
    testsupport::TempFolder folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::unique_ptr<DavServer> server;

    void SetUp() override {
        fs::copy_file(NUMBERWELL_EXECUTABLE, folder / "numberwell");
        environment.insert("HOME", QString::fromStdString(folder.path().string()));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString((folder / "config").string()));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.remove("DISPLAY");
        if (!environment.contains("NUMBERWELL_TEST_KEYRING")) {
            environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
        }
    }

    void startServer(DavServer::Kind kind = DavServer::Kind::Radicale,
                     const std::vector<std::string>& cards = {}) {
        DavServer::Options options;
        for (std::size_t i = 0; i < cards.size(); ++i) {
            options.cards.push_back({"card" + std::to_string(i) + ".vcf", cards[i]});
        }
        server = DavServer::start(kind, options);
    }

    // The event loop runs meanwhile (the fault proxy lives in it), and so does `meanwhile`.
    Ran run(const QStringList& arguments, const QByteArray& input,
            const std::function<void(QProcess&)>& meanwhile = {}) const {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QString::fromStdString((folder / "numberwell").string()), arguments);
        process.write(input);
        process.closeWriteChannel();
        if (meanwhile) {
            meanwhile(process);
        }
        if (!QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 60000)) {
            process.kill();
            process.waitForFinished();
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
    }

    // As alice with password pw from standard input; an empty URL: the last one.
    Ran sync(const QUrl& url, const QStringList& more = {}, const QByteArray& password = "pw\n",
             const std::function<void(QProcess&)>& meanwhile = {}) const {
        QStringList arguments{"--sync"};
        if (!url.isEmpty()) {
            arguments << url.toString();
        }
        if (!server->user().isEmpty()) {
            arguments << "--user" << server->user() << "--password-stdin";
        }
        return run(arguments + more, password, meanwhile);
    }
    Ran sync() const { return sync(server->root()); }

    void writeList(const std::string& text) const { writeBytes(folder / "Adressen.txt", text); }
    Rows list() const {
        const book::AddressTable table(readBytes(folder / "Adressen.txt"));
        std::vector<book::Record> records;
        for (int index = 0; index < table.recordCount(); ++index) {
            if (!table.record(index).isBlank()) {
                records.push_back(table.record(index));
            }
        }
        return rowsOf(records);
    }
    // What the server holds, as the list reads it, by a client of the test's own.
    Rows cards() const {
        carddav::Client client({server->root(), server->user(), server->addressBook(), {}, false},
                               server->password());
        std::vector<std::string> hrefs;
        for (const cardsync::CardVersion& version :
             answerOf(carddav::testing::run(client, listing())).cards) {
            hrefs.push_back(version.href);
        }
        std::vector<book::Record> records;
        for (const cardsync::Card& fetched :
             hrefs.empty() ? std::vector<cardsync::Card>()
                           : answerOf(carddav::testing::run(client, fetching(hrefs))).fetched) {
            records.push_back(cardsync::readCard(fetched.vcard).record.value_or(book::Record()));
        }
        return rowsOf(records);
    }
};

// The first sync pairs what both sides hold and brings over the rest; the server is remembered, the
// password is not. Before it, what is wrong is said.
TEST_F(SyncCommandTest, FirstSyncMergesBothSidesAndRemembersTheServer) {
    startServer(DavServer::Kind::Radicale,
                {card("zoe", "Adler;Zoe", "TEL:123\r\n"), card("anna", "Berg;Anna")});
    writeList("Adler|Zoe|||123||\r\nMeier|Max||Weg 1|||\r\n");
    EXPECT_THAT(sync(QUrl()).err, HasSubstr("numberwell: no address book to synchronise with yet"));
    const Ran refused = sync(server->root(), {}, "wrong\n");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "numberwell: 127.0.0.1 did not accept the user name and password.\n");

    const Ran first = sync();
    EXPECT_EQ(first.err, "");
    EXPECT_EQ(first.out, "1 added here, 1 sent\n");
    EXPECT_THAT(list(), ElementsAre("Adler|Zoe|||123||", "Berg|Anna|||||", "Meier|Max||Weg 1|||"));
    EXPECT_EQ(cards(), list());
    EXPECT_EQ(sync(QUrl()).out, "Nothing to synchronise\n");
    const std::string settings = readBytes(folder / "config/numberwell/user.reg");
    EXPECT_THAT(settings, HasSubstr("\"url\"=\"" + server->root().toString().toStdString() + "\""));
    EXPECT_THAT(settings, ::testing::Not(HasSubstr("pw")));
}

TEST_F(SyncCommandTest, MassDeletionsOnlyWithForce) {
    startServer();
    writeList("A|||||||\r\nB|||||||\r\nC|||||||\r\nD|||||||\r\n");
    ASSERT_EQ(sync().status, 0);
    writeList("A|||||||\r\n");
    const Ran refused = sync();
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "numberwell: The sync would delete 3 of the 4 cards on the server: nothing was "
                           "changed; give --force to go on\n");
    EXPECT_EQ(cards().size(), 4u);
    EXPECT_EQ(sync(server->root(), {"--force"}).out, "3 sent\n");
    EXPECT_THAT(cards(), ElementsAre("A||||||"));
}

// Every window holds a shared lock on its folder; the sync takes it alone or not at all.
TEST_F(SyncCommandTest, RefusedWhileAWindowHasTheList) {
    startServer();
    writeList("A|||||||\r\n");
    const Ran refused = run({}, {}, [this](QProcess& window) {
        EXPECT_TRUE(QTest::qWaitFor(
            [this] { return !files::FileLock::tryTake(folder.path(), files::FileLock::Kind::Exclusive); },
            20000));
        const Ran sync = this->sync();
        EXPECT_EQ(sync.status, 1);
        EXPECT_THAT(sync.err, HasSubstr("open in a Numberwell window"));
        ::kill(static_cast<pid_t>(window.processId()), SIGTERM);
    });
    EXPECT_EQ(refused.status, 0);
    EXPECT_TRUE(cards().empty());
}

TEST_F(SyncCommandTest, XandikosBothWays) {
    startServer(DavServer::Kind::Xandikos, {card("c", "Cook;Carl")});
    writeList("Abel|Ada|||||\r\n");
    EXPECT_EQ(sync().out, "1 added here, 1 sent\n");
    writeList("Abel|Ada|||555||\r\nCook|Carl|||||\r\n");
    EXPECT_EQ(sync(QUrl()).out, "1 sent\n");
    EXPECT_THAT(cards(), ElementsAre("Abel|Ada|||555||", "Cook|Carl|||||"));
}

// vdirsyncer keeping a folder of .vcf files in step with the same address book: the phone, whose cards
// are edited as files.
class Phone {
public:
    Phone(const fs::path& root, const DavServer& server) : cards_(root / "cards"), config_(root / "config") {
        fs::create_directories(cards_);
        writeBytes(config_, "[general]\nstatus_path = \"" + (root / "status").string() +
                                "\"\n[pair phone]\na = \"cards\"\nb = \"server\"\ncollections = null\n"
                                "conflict_resolution = \"b wins\"\n[storage cards]\ntype = \"filesystem\"\n"
                                "fileext = \".vcf\"\npath = \"" +
                                cards_.string() +
                                "\"\n[storage server]\ntype = \"carddav\"\nusername = \"alice\"\npassword = "
                                "\"pw\"\nurl = \"" +
                                server.addressBook().toString().toStdString() + "\"\n");
        run("discover");
    }
    void sync() const { run("sync"); }
    Rows records() const {
        std::vector<book::Record> records;
        for (const auto& entry : fs::directory_iterator(cards_)) {
            records.push_back(cardsync::readCard(readBytes(entry.path())).record.value_or(book::Record()));
        }
        return rowsOf(records);
    }
    // The card whose text holds `from`, with `to` instead; an empty `to` deletes it.
    void edit(const std::string& from, const std::string& to) const {
        for (const auto& entry : fs::directory_iterator(cards_)) {
            if (std::string text = readBytes(entry.path()); text.find(from) != std::string::npos) {
                to.empty() ? (void)fs::remove(entry.path())
                           : writeBytes(entry.path(), text.replace(text.find(from), from.size(), to));
                return;
            }
        }
        ADD_FAILURE() << "no card holds " << from;
    }
    void add(const std::string& vcard) const { writeBytes(cards_ / "new.vcf", vcard); }

private:
    void run(const QString& command) const {
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start("vdirsyncer", {"-c", QString::fromStdString(config_.string()), command});
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }
    fs::path cards_;
    fs::path config_;
};

// Edits on both sides arrive on the other; a field changed differently on both is kept as a copy.
TEST_F(SyncCommandTest, VdirsyncerAsTheOtherDevice) {
    startServer();
    writeList("Adler|Zoe|||123||\r\nMeier|Max||Weg 1|||\r\nOtt|Udo|||||\r\n");
    ASSERT_EQ(sync().out, "3 sent\n");
    const Phone phone(folder / "phone", *server);
    phone.sync();
    EXPECT_EQ(phone.records(), list());

    phone.edit("TEL:123", "TEL:999");
    phone.edit("N:Ott;Udo", "");
    phone.add(card("nina", "Neu;Nina"));
    writeList("Adler|Zoe|||123||\r\nMeier|Max||Weg 2|||\r\nOtt|Udo|||||\r\n");
    phone.sync();
    EXPECT_EQ(sync(QUrl()).out, "1 added here, 1 sent, 1 changed here, 1 deleted here\n");
    phone.sync();
    EXPECT_THAT(list(), ElementsAre("Adler|Zoe|||999||", "Meier|Max||Weg 2|||", "Neu|Nina|||||"));
    EXPECT_EQ(phone.records(), list());

    phone.edit("TEL:999", "TEL:111");
    writeList("Adler|Zoe|||222||\r\nMeier|Max||Weg 2|||\r\nNeu|Nina|||||\r\n");
    phone.sync();
    EXPECT_THAT(sync(QUrl()).out, HasSubstr("1 conflict kept as a copy"));
    phone.sync();
    const Rows rows = list();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], "Adler|Zoe|||111||");
    EXPECT_THAT(rows[1], ::testing::StartsWith("Adler|Zoe|||222||Conflict copy"));
    EXPECT_EQ(phone.records(), rows);
    EXPECT_EQ(cards(), rows);
}

struct FaultCase {
    const char* name;
    std::vector<Fault> faults;
    int firstStatus;
};

class SyncFaultTest : public SyncCommandTest, public ::testing::WithParamInterface<FaultCase> {};

// 30 cards there, 5 records here: the first sync meets the fault, the next one completes it.
TEST_P(SyncFaultTest, ThenANormalSyncLosesAndDoublesNothing) {
    startServer(DavServer::Kind::Radicale, numberedCards(30));
    writeList("H0|||||||\r\nH1|||||||\r\nH2|||||||\r\nH3|||||||\r\nH4|||||||\r\n");
    FaultProxy proxy(server->port());
    for (const Fault& fault : GetParam().faults) {
        proxy.inject(fault);
    }
    const Ran first = sync(proxy.url("/"));
    EXPECT_EQ(first.status, GetParam().firstStatus) << first.err;
    proxy.clearFaults();
    const Ran second = sync(QUrl());
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(list().size(), 35u);
    EXPECT_EQ(cards(), list());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SyncFaultTest,
    ::testing::Values(
        // The listing passes; the fetch of the cards is cut off, each time Qt sends it again too.
        FaultCase{
            "cut",
            {Fault::delayed("REPORT", std::chrono::milliseconds(0)), Fault::cut("REPORT", 400).repeated(3)},
            1},
        FaultCase{"error", {Fault::serverErrorAfterApplying("PUT")}, 1},
        FaultCase{"delay", {Fault::delayed("PUT", std::chrono::milliseconds(1500)).repeated(2)}, 0}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

// Killed while sending: the cards that came are in the list's journal, not yet saved, and the new
// records' cards are half sent.
TEST_F(SyncCommandTest, KilledInTheMiddleThenCompleted) {
    startServer(DavServer::Kind::Radicale, numberedCards(10));
    writeList("H0|||||||\r\nH1|||||||\r\nH2|||||||\r\nH3|||||||\r\nH4|||||||\r\n");
    FaultProxy proxy(server->port());
    proxy.inject(Fault::delayed("PUT", std::chrono::seconds(20)).repeated(5));
    const Ran killed = sync(proxy.url("/"), {}, "pw\n", [&proxy](QProcess& process) {
        EXPECT_TRUE(QTest::qWaitFor(
            [&proxy] { return !proxy.seen().isEmpty() && proxy.seen().back().method == "PUT"; }, 20000));
        ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    });
    EXPECT_EQ(killed.status, -1);
    proxy.clearFaults();
    const Ran next = sync(QUrl());
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_THAT(next.out, HasSubstr("recovered"));
    EXPECT_EQ(list().size(), 15u);
    EXPECT_EQ(cards(), list());
}

// Run under a gnome-keyring of its own (run_with_keyring.sh): the password given once is the secret
// service's from then on.
TEST_F(SyncCommandTest, KeyringKeepsThePasswordGivenOnce) {
    ASSERT_TRUE(environment.contains("NUMBERWELL_TEST_KEYRING")) << "run it with run_with_keyring.sh";
    startServer();
    writeList("A|||||||\r\n");
    ASSERT_EQ(sync().out, "1 sent\n");
    writeList("A|||||||\r\nB|||||||\r\n");
    const Ran alone = run({"--sync"}, {});
    EXPECT_EQ(alone.out, "1 sent\n") << alone.err;
}

} // namespace
