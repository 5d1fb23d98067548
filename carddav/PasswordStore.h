#pragma once

#include "carddav/Account.h"

#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>

namespace QKeychain {
class Job;
}

// The account's password in the desktop's secret service (through QtKeychain and libsecret), and nowhere
// else: never a file, a log, a message or a command line. One call at a time, each answered by finished(),
// within the timeout:
//
//     store.read(carddav::PasswordStore::entryName(account));
//     // finished(result): Done with result.password, NotFound, or Unavailable
//
// Unavailable means no secret service runs (or it failed or did not answer in time): the window then
// asks for the password each time, and the command line reads it from standard input.
namespace carddav {

class PasswordStore : public QObject {
    Q_OBJECT
public:
    struct Result {
        enum class Outcome { Done, NotFound, Unavailable };
        Outcome outcome = Outcome::Done;
        QString password; // what read() found
        QString message;  // Unavailable: why, for the user
    };

    // Long enough for the user to unlock a locked keyring in the prompt the desktop shows.
    static constexpr std::chrono::seconds DefaultTimeout{30};

    explicit PasswordStore(QObject* parent = nullptr);
    ~PasswordStore() override;

    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

    // The account's entry: one per user and server.
    static QString entryName(const Account& account);

    void read(const QString& entry);
    void write(const QString& entry, const QString& password);
    void remove(const QString& entry); // an entry that is not there is removed, too

signals:
    void finished(const carddav::PasswordStore::Result& result);

private:
    void run(QKeychain::Job* job);
    void onJobFinished();
    void onTimeout();
    void abandonJob();

    std::chrono::milliseconds timeout_ = DefaultTimeout;
    QPointer<QKeychain::Job> job_;
    QTimer timer_;
};

} // namespace carddav

Q_DECLARE_METATYPE(carddav::PasswordStore::Result)
