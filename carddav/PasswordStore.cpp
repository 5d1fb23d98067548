#include "carddav/PasswordStore.h"

#include <qt6keychain/keychain.h>

namespace carddav {
namespace {

const QString Service = QStringLiteral("Numberwell");

} // namespace

PasswordStore::PasswordStore(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &PasswordStore::onTimeout);
}

PasswordStore::~PasswordStore() {
    abandonJob();
}

QString PasswordStore::entryName(const Account& account) {
    return account.user + QLatin1Char('@') + account.serverUrl.adjusted(QUrl::RemoveUserInfo).toString();
}

void PasswordStore::read(const QString& entry) {
    auto* job = new QKeychain::ReadPasswordJob(Service);
    job->setKey(entry);
    run(job);
}

void PasswordStore::write(const QString& entry, const QString& password) {
    auto* job = new QKeychain::WritePasswordJob(Service);
    job->setKey(entry);
    job->setTextData(password);
    run(job);
}

void PasswordStore::remove(const QString& entry) {
    auto* job = new QKeychain::DeletePasswordJob(Service);
    job->setKey(entry);
    run(job);
}

void PasswordStore::run(QKeychain::Job* job) {
    Q_ASSERT(!job_);
    job->setInsecureFallback(false); // a password in a plain file is what this class is there to prevent
    job->setAutoDelete(true);
    job_ = job;
    connect(job, &QKeychain::Job::finished, this, &PasswordStore::onJobFinished);
    timer_.start(timeout_);
    job->start();
}

void PasswordStore::onJobFinished() {
    timer_.stop();
    QKeychain::Job* job = job_;
    job_ = nullptr;
    Result result;
    switch (job->error()) {
    case QKeychain::NoError:
        if (const auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(job)) {
            result.password = read->textData();
        }
        break;
    case QKeychain::EntryNotFound:
        result.outcome = qobject_cast<QKeychain::DeletePasswordJob*>(job) ? Result::Outcome::Done
                                                                          : Result::Outcome::NotFound;
        break;
    default:
        result.outcome = Result::Outcome::Unavailable;
        result.message = QStringLiteral("The desktop's secret service cannot keep the password (%1).")
                             .arg(job->errorString());
        break;
    }
    emit finished(result);
}

void PasswordStore::onTimeout() {
    abandonJob();
    Result result;
    result.outcome = Result::Outcome::Unavailable;
    result.message = QStringLiteral("The desktop's secret service did not answer within %1 seconds.")
                         .arg(std::chrono::duration_cast<std::chrono::seconds>(timeout_).count());
    emit finished(result);
}

// A job that hangs is left to end on its own (it deletes itself); its answer no longer counts.
void PasswordStore::abandonJob() {
    if (job_) {
        job_->disconnect(this);
        job_ = nullptr;
    }
}

} // namespace carddav
