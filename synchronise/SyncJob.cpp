#include "SyncJob.h"

#include "FailureText.h"

#include "book/AddressBook.h"
#include "carddav/Href.h"
#include "sync/StateStore.h"

#include <chrono>
#include <exception>
#include <stdexcept>

namespace synchronise {

namespace {

// Each slice of changes to the list leaves the event loop well within 50 ms, a sync of the journal
// included.
constexpr std::chrono::milliseconds SliceBudget{15};
constexpr int ListBusyRetryMs = 200;

// Let go of an object that may be inside one of its own signals now.
template <typename Object> void dispose(std::unique_ptr<Object>& object) {
    if (object) {
        object->disconnect();
        object.release()->deleteLater();
    }
}

} // namespace

SyncJob::SyncJob(session::ListSession& list, Questions& questions, QObject* parent)
    : QObject(parent), list_(list), questions_(questions) {
    nextSlice_.setSingleShot(true);
    connect(&nextSlice_, &QTimer::timeout, this, [this] { atEdge([this] { applyChanges(); }); });
    connect(&engine_, &EngineThread::requestReady, this,
            [this](const cardsync::Request& request) { atEdge([&] { client_->start(request); }); });
    connect(&engine_, &EngineThread::confirmationNeeded, this, [this](const QString& deletions) {
        deletions_ = deletions;
        whenListMayChange(&SyncJob::askAboutDeletions);
    });
    connect(&engine_, &EngineThread::changesReady, this,
            [this](const std::shared_ptr<std::vector<cardsync::LocalChange>>& changes) {
                atEdge([&] {
                    update_.emplace(list_, std::move(*changes), replaceExample_);
                    applyChanges();
                });
            });
    connect(&engine_, &EngineThread::finished, this,
            [this](const cardsync::Summary& summary) { atEdge([&] { finish(summary); }); });
    connect(&engine_, &EngineThread::failed, this,
            [this](const QString& message) { end(Outcome::Kind::Failed, message); });
    connect(&engine_, &EngineThread::progressed, this, &SyncJob::progressed);
}

SyncJob::~SyncJob() = default;

// Whatever a step raises ends the sync with its message; nothing passes into the event loop.
template <typename Work> void SyncJob::atEdge(Work&& work) noexcept {
    try {
        work();
    } catch (...) {
        end(Outcome::Kind::Failed, failureText(std::current_exception()));
    }
}

void SyncJob::start(carddav::Account account, std::optional<QString> password) {
    if (running_) {
        throw std::logic_error("a sync is running");
    }
    running_ = true;
    ++generation_;
    account_ = std::move(account);
    passwordIsNew_ = password.has_value();
    password_ = password.value_or(QString());
    emit progressed(0, 0);
    if (!list_.listRead()) { // its records would count as deleted here
        end(Outcome::Kind::Failed,
            QStringLiteral("The address list could not be read, so it is not synchronised"));
        return;
    }
    atEdge([&] {
        if (account_.user.isEmpty() || password) {
            findAddressBook(); // a server without users needs no password
        } else {
            readPassword();
        }
    });
}

void SyncJob::cancel() {
    end(Outcome::Kind::Stopped);
}

// The changes and the questions wait while a command of the user's holds a row number.
void SyncJob::whenListMayChange(void (SyncJob::*step)()) {
    if (!running_) {
        return;
    }
    if (!questions_.listMayChange()) {
        QTimer::singleShot(ListBusyRetryMs, this, [this, step, generation = generation_] {
            if (stillCurrent(generation)) {
                whenListMayChange(step);
            }
        });
        return;
    }
    atEdge([&] { (this->*step)(); });
}

// ---- the password ----

void SyncJob::readPassword() {
    dispose(passwords_);
    passwords_ = std::make_unique<carddav::PasswordStore>();
    connect(passwords_.get(), &carddav::PasswordStore::finished, this,
            [this](const carddav::PasswordStore::Result& result) { atEdge([&] { passwordRead(result); }); });
    passwords_->read(carddav::PasswordStore::entryName(account_));
}

void SyncJob::passwordRead(const carddav::PasswordStore::Result& result) {
    dispose(passwords_);
    using Found = carddav::PasswordStore::Result::Outcome;
    switch (result.outcome) {
    case Found::Done:
        password_ = result.password;
        findAddressBook();
        return;
    case Found::NotFound:
        askPassword(QStringLiteral("The desktop's secret service holds no password for %1 on %2.")
                        .arg(account_.user, account_.serverUrl.host()),
                    &SyncJob::findAddressBook);
        return;
    case Found::Unavailable:
        secretServiceAnswers_ = false;
        askPassword(result.message, &SyncJob::findAddressBook);
        return;
    }
}

// A question runs an event loop of its own, in which the job may have ended (Cancel, the window closed).
// A no ends the job as stopped.
bool SyncJob::goOnAfter(std::uint64_t generation, bool yes, const QString& why) {
    if (!stillCurrent(generation)) {
        return false;
    }
    if (!yes) {
        end(Outcome::Kind::Stopped, why);
    }
    return yes;
}

void SyncJob::askPassword(const QString& why, Retry then) {
    const std::uint64_t generation = generation_;
    const std::optional<QString> password = questions_.password(account_, why);
    if (!goOnAfter(generation, password.has_value())) {
        return;
    }
    password_ = *password;
    passwordIsNew_ = true;
    (this->*then)();
}

// Kept only once the server took it, and only where the secret service answers.
void SyncJob::keepPassword(const QString& summary) {
    dispose(passwords_);
    passwords_ = std::make_unique<carddav::PasswordStore>();
    connect(passwords_.get(), &carddav::PasswordStore::finished, this,
            [this, summary] { end(Outcome::Kind::Done, summary); });
    passwords_->write(carddav::PasswordStore::entryName(account_), password_);
}

// ---- the address book ----

void SyncJob::findAddressBook() {
    if (!account_.addressBookUrl.isEmpty()) {
        startEngine();
        return;
    }
    dispose(discovery_);
    discovery_ = std::make_unique<carddav::Discovery>(account_, password_);
    connect(discovery_.get(), &carddav::Discovery::found, this,
            [this](const QList<carddav::AddressBook>& books) { atEdge([&] { chooseAddressBook(books); }); });
    connect(discovery_.get(), &carddav::Discovery::failed, this, [this](const carddav::Failure& failure) {
        atEdge([&] { failed(failure, &SyncJob::findAddressBook); });
    });
    discovery_->start();
}

void SyncJob::chooseAddressBook(const QList<carddav::AddressBook>& books) {
    dispose(discovery_);
    if (books.isEmpty()) {
        end(Outcome::Kind::Failed,
            QStringLiteral("%1 has no address book").arg(account_.serverUrl.toDisplayString()));
        return;
    }
    carddav::AddressBook chosen = books.front();
    if (books.size() > 1) {
        const std::uint64_t generation = generation_;
        const std::optional<carddav::AddressBook> answer = questions_.chooseAddressBook(account_, books);
        if (!goOnAfter(generation, answer.has_value())) {
            return;
        }
        chosen = *answer;
    }
    account_.addressBookUrl = chosen.url;
    saveAccount();
    startEngine();
}

void SyncJob::saveAccount() {
    carddav::writeAccount(list_.places().settingsFile, account_);
}

// ---- the sync ----

void SyncJob::startEngine() {
    dispose(client_);
    client_ = std::make_unique<carddav::Client>(account_, password_);
    connect(client_.get(), &carddav::Client::finished, this,
            [this](const cardsync::Response& response) { engine_.answer(response); });
    connect(client_.get(), &carddav::Client::failed, this, [this](const carddav::Failure& failure) {
        atEdge([&] { failed(failure, &SyncJob::startEngine); });
    });
    // The example record shown where there is no list yet is no record of the user's: it is not sent.
    replaceExample_ = !list_.book().fileWasThere() && !list_.tableChanged();
    engine_.start(carddav::asCollection(account_.addressBookUrl).toString(QUrl::FullyEncoded).toStdString(),
                  replaceExample_ ? book::AddressTable() : list_.table(),
                  list_.places().programFolder / cardsync::StateFileName);
}

void SyncJob::askAboutDeletions() {
    const std::uint64_t generation = generation_;
    const bool confirmed = questions_.confirmDeletions(deletions_);
    if (goOnAfter(generation, confirmed, deletions_)) {
        engine_.confirm();
    }
}

// A slice at a time; once all are made and safe from a crash (in the journal, or saved where there is
// none), the engine writes its state and goes on to the server.
void SyncJob::applyChanges() {
    if (!update_) {
        return;
    }
    if (!questions_.listMayChange()) {
        nextSlice_.start(ListBusyRetryMs);
        return;
    }
    if (!update_->advance(questions_.keyColumn(), SliceBudget)) {
        nextSlice_.start(0);
        return;
    }
    if (!list_.changesKeptSafe()) {
        list_.save();
    }
    std::vector<bool> applied = update_->applied();
    update_.reset();
    engine_.localChangesApplied(std::move(applied));
}

void SyncJob::finish(const cardsync::Summary& summary) {
    dispose(client_);
    const QString text = QString::fromStdString(summary.text());
    if (passwordIsNew_ && secretServiceAnswers_ && !account_.user.isEmpty()) {
        keepPassword(text);
        return;
    }
    end(Outcome::Kind::Done, text);
}

// The account's questions, asked where the server's answer raises them; answered, the step that met
// them starts again (a new client: a request refused never reached the server).
void SyncJob::failed(const carddav::Failure& failure, Retry retry) {
    dispose(client_);
    dispose(discovery_);
    engine_.drop();
    const std::uint64_t generation = generation_;
    using Kind = carddav::Failure::Kind;
    switch (failure.kind) {
    case Kind::Authentication:
        if (!account_.user.isEmpty()) {
            askPassword(failure.message, retry);
            return;
        }
        break;
    case Kind::UntrustedCertificate:
        retryWhen(
            questions_.acceptCertificate(account_, failure), generation,
            [&] { account_.pinnedFingerprint = failure.fingerprint; }, retry);
        return;
    case Kind::PlainHttp:
        retryWhen(
            questions_.allowPlainHttp(account_, failure), generation,
            [this] { account_.plainHttpConfirmed = true; }, retry);
        return;
    default:
        break;
    }
    end(Outcome::Kind::Failed, failure.message);
}

// The user's yes changes the account, which is stored at once, and the step starts again.
template <typename Change>
void SyncJob::retryWhen(bool yes, std::uint64_t generation, Change changeAccount, Retry retry) {
    if (!goOnAfter(generation, yes)) {
        return;
    }
    changeAccount();
    saveAccount();
    (this->*retry)();
}

void SyncJob::end(Outcome::Kind kind, const QString& text) {
    if (!running_) {
        return;
    }
    running_ = false;
    ++generation_;
    engine_.drop();
    dispose(client_);
    dispose(discovery_);
    dispose(passwords_);
    update_.reset();
    nextSlice_.stop();
    emit ended({kind, text});
}

} // namespace synchronise
