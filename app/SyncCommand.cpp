#include "SyncCommand.h"

#include "carddav/Discovery.h"
#include "synchronise/SyncJob.h"

#include <QEventLoop>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>

namespace {

int failed(std::ostream& err, const QString& what) {
    err << "numberwell: " << what.toStdString() << '\n';
    return 1;
}

// Nothing is asked on the command line: every question is answered by the options, and a "no" says why.
class CommandLineAnswers : public synchronise::Questions {
public:
    CommandLineAnswers(const CommandLine& line, int keyColumn)
        : force_(line.force), passwordGiven_(line.passwordFromStdin), keyColumn_(keyColumn) {}

    const QString& refusal() const { return refusal_; }

    std::optional<QString> password(const carddav::Account&, const QString& why) override {
        refusal_ = passwordGiven_ ? why : why + QStringLiteral(" Give the password with --password-stdin");
        return std::nullopt;
    }

    std::optional<carddav::AddressBook> chooseAddressBook(const carddav::Account& account,
                                                          const QList<carddav::AddressBook>& books) override {
        QStringList names;
        for (const carddav::AddressBook& book : books) {
            names << (book.displayName.isEmpty()
                          ? book.url.toDisplayString()
                          : book.url.toDisplayString() + " (" + book.displayName + ")");
        }
        refusal_ = QStringLiteral("%1 has %2 address books: give the one to synchronise with as the URL: %3")
                       .arg(account.serverUrl.toDisplayString())
                       .arg(books.size())
                       .arg(names.join(QStringLiteral(", ")));
        return std::nullopt;
    }

    bool acceptCertificate(const carddav::Account&, const carddav::Failure& failure) override {
        refusal_ =
            failure.message + QStringLiteral(" (SHA-256 %1): accept it once with the window's Synchronise")
                                  .arg(failure.fingerprint);
        return false;
    }

    bool allowPlainHttp(const carddav::Account&, const carddav::Failure& failure) override {
        refusal_ =
            failure.message + QStringLiteral(" Allow it once with the window's Synchronise, or use https");
        return false;
    }

    bool confirmDeletions(const QString& deletions) override {
        if (!force_) {
            refusal_ = deletions + QStringLiteral(": nothing was changed; give --force to go on");
        }
        return force_;
    }

    int keyColumn() const override { return keyColumn_; }

private:
    bool force_;
    bool passwordGiven_;
    int keyColumn_;
    QString refusal_;
};

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

// The account of the last sync, with what the options change; stored when it changed. Nothing where no
// URL was ever given.
std::optional<carddav::Account> accountFor(const CommandLine& line,
                                           const std::filesystem::path& settingsFile) {
    const std::optional<carddav::Account> stored = carddav::readAccount(settingsFile);
    carddav::Account account = stored.value_or(carddav::Account());
    if (!line.url.empty()) {
        const QUrl url = carddav::Discovery::urlFromInput(qText(line.url));
        if (!url.isValid() || url.host().isEmpty()) {
            throw std::runtime_error("not a URL: " + line.url);
        }
        if (url != account.serverUrl) { // another server: nothing the user answered for the old one holds
            account = carddav::Account{url, account.user, {}, {}, false};
        }
    }
    if (!line.user.empty() && qText(line.user) != account.user) {
        account.user = qText(line.user);
        account.addressBookUrl.clear(); // a user's address books are the user's own
    }
    if (account.serverUrl.isEmpty()) {
        return std::nullopt;
    }
    if (account != stored) {
        carddav::writeAccount(settingsFile, account);
    }
    return account;
}

// The first line; its line end is not part of it.
std::optional<QString> passwordFrom(std::istream& in) {
    std::string line;
    if (!std::getline(in, line) && line.empty()) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return qText(line);
}

// The command does one sync and ends: the engine's thread shares the one heap, and large buffers (the
// state's text, a journal entry, an answer) go back to the system when freed instead of growing the heap.
// For 10,000 cards that keeps the peak at 45 MB instead of 53.
void keepTheHeapSmall() {
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

} // namespace

int synchroniseList(const session::Places& places, const CommandLine& line, std::istream& in,
                    std::ostream& out, std::ostream& err) {
    keepTheHeapSmall();
    try {
        std::optional<QString> password;
        if (line.passwordFromStdin && !(password = passwordFrom(in))) {
            return failed(err, QStringLiteral("no password on standard input"));
        }
        session::ListSession list(places, session::ListSession::Use::Sync);
        if (!list.open()) {
            return failed(err,
                          QStringLiteral("the address list is open in a Numberwell window: close it, or use "
                                         "the window's Synchronise"));
        }
        for (const std::string& error : list.errors()) {
            err << "numberwell: " << error << '\n';
        }
        const std::optional<carddav::Account> account = accountFor(line, places.settingsFile);
        if (!account) {
            return failed(err, QStringLiteral("no address book to synchronise with yet: give its URL, as in "
                                              "numberwell --sync https://dav.example.org/ --user NAME"));
        }
        CommandLineAnswers answers(line, session::ListSession::keyColumnOf(list.readViewSettings()));
        synchronise::SyncJob job(list, answers);
        synchronise::Outcome outcome;
        QEventLoop loop;
        QObject::connect(&job, &synchronise::SyncJob::ended, &loop, [&](const synchronise::Outcome& ended) {
            outcome = ended;
            loop.quit();
        });
        job.start(*account, password);
        if (job.running()) {
            loop.exec();
        }
        // What the sync made on the list is saved however it ended: it is on the server, or will be.
        for (const std::string& notice : list.notices()) {
            out << notice << '\n';
        }
        if (const std::optional<std::string> kept = list.save()) {
            out << book::keptVersionNotice(*kept) << '\n';
        }
        switch (outcome.kind) {
        case synchronise::Outcome::Kind::Done:
            out << outcome.text.toStdString() << '\n';
            return 0;
        case synchronise::Outcome::Kind::Stopped:
            return failed(err, answers.refusal().isEmpty() ? QStringLiteral("the sync was stopped")
                                                           : answers.refusal());
        case synchronise::Outcome::Kind::Failed:
            break;
        }
        return failed(err, outcome.text);
    } catch (const std::exception& error) {
        return failed(err, QString::fromUtf8(error.what()));
    } catch (...) {
        return failed(err, QStringLiteral("the sync failed"));
    }
}
