#pragma once

#include "EngineThread.h"
#include "ListUpdate.h"
#include "Questions.h"
#include "carddav/Account.h"
#include "carddav/Client.h"
#include "carddav/Discovery.h"
#include "carddav/PasswordStore.h"
#include "session/ListSession.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>

namespace synchronise {

struct Outcome {
    enum class Kind {
        Done,    // text: the summary, "2 added here, 3 sent, ..."
        Stopped, // cancelled, or a question answered with no
        Failed,  // text: why, for the user
    };
    Kind kind = Kind::Done;
    QString text;
};

// One sync of the list with the account's address book, for the window and for the command line alike:
// the password (given, from the desktop's secret service, or asked), the address book (found on the
// server, chosen where there are several), then the engine on its thread with the client carrying its
// requests one at a time, and its changes made on the list through the session, a slice at a time between
// turns of the event loop. The account's questions go to Questions; an answer that changes the account
// (a pinned certificate, plain http allowed, the address book chosen) is stored in the settings at once.
//
// Stopping anywhere is safe (cancel(), a failure, a killed process): what was done stays done, and the
// next sync completes the rest without doubling or losing anything.
class SyncJob : public QObject {
    Q_OBJECT
public:
    SyncJob(session::ListSession& list, Questions& questions, QObject* parent = nullptr);
    ~SyncJob() override;

    // password: the command line's; nothing to take it from the secret service, or to ask for it. A
    // password typed or given goes into the secret service once a sync with it has succeeded. Raises
    // std::logic_error while a sync runs.
    void start(carddav::Account account, std::optional<QString> password = {});
    // Ends the sync with Stopped at once.
    void cancel();
    bool running() const { return running_; }

signals:
    // Requests answered of those known so far (more may follow); 0 of 0 while it is not known yet.
    void progressed(int done, int known);
    void ended(const synchronise::Outcome& outcome);

private:
    using Retry = void (SyncJob::*)();
    template <typename Work> void atEdge(Work&& work) noexcept;
    bool stillCurrent(std::uint64_t generation) const { return running_ && generation == generation_; }
    void whenListMayChange(void (SyncJob::*step)());
    bool goOnAfter(std::uint64_t generation, bool yes, const QString& why = {});

    void readPassword();
    void passwordRead(const carddav::PasswordStore::Result& result);
    void askPassword(const QString& why, Retry then);
    void findAddressBook();
    void chooseAddressBook(const QList<carddav::AddressBook>& books);
    void startEngine();
    void askAboutDeletions();
    void applyChanges();
    void finish(const cardsync::Summary& summary);
    void keepPassword(const QString& summary);
    void failed(const carddav::Failure& failure, Retry retry);
    template <typename Change>
    void retryWhen(bool yes, std::uint64_t generation, Change changeAccount, Retry retry);
    void saveAccount();
    void end(Outcome::Kind kind, const QString& text = {});

    session::ListSession& list_;
    Questions& questions_;
    EngineThread engine_;
    std::unique_ptr<carddav::PasswordStore> passwords_;
    std::unique_ptr<carddav::Discovery> discovery_;
    std::unique_ptr<carddav::Client> client_;
    std::optional<ListUpdate> update_;
    QString deletions_;
    QTimer nextSlice_;

    carddav::Account account_;
    QString password_;
    bool running_ = false;
    bool passwordIsNew_ = false;       // typed or given, not from the secret service
    bool secretServiceAnswers_ = true; // as far as known
    bool replaceExample_ = false;      // the list was the untouched example record when the sync began
    std::uint64_t generation_ = 0;     // a question's answer counts only for the sync that asked it
};

} // namespace synchronise
