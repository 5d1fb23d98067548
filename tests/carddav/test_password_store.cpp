// The password in the desktop's secret service. Run by run_with_keyring.sh under a gnome-keyring of its
// own, and once more with no secret service at all.
#include "carddav/PasswordStore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

namespace carddav {
namespace {

using ::testing::HasSubstr;
using Outcome = PasswordStore::Result::Outcome;

constexpr char Password[] = "Pässwort-7f3a9c";

PasswordStore::Result await(PasswordStore& store, const std::function<void()>& start) {
    PasswordStore::Result result{Outcome::Unavailable, {}, QStringLiteral("no answer at all")};
    QEventLoop loop;
    QObject::connect(&store, &PasswordStore::finished, &loop, [&](const PasswordStore::Result& answer) {
        result = answer;
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    start();
    loop.exec();
    return result;
}

QString entry() {
    Account account;
    account.serverUrl = QUrl("https://dav.example.org/");
    account.user = QStringLiteral("alice");
    return PasswordStore::entryName(account);
}

bool anyFileHolds(const QString& folder, const QByteArray& text) {
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text)) {
            return true;
        }
    }
    return false;
}

TEST(PasswordStoreTest, KeepsThePasswordInTheKeyringAlone) {
    PasswordStore store;
    store.setTimeout(std::chrono::seconds(5));
    const PasswordStore::Result written =
        await(store, [&] { store.write(entry(), QString::fromUtf8(Password)); });
    ASSERT_EQ(written.outcome, Outcome::Done) << written.message.toStdString();

    const PasswordStore::Result read = await(store, [&] { store.read(entry()); });
    EXPECT_EQ(read.outcome, Outcome::Done);
    EXPECT_EQ(read.password, QString::fromUtf8(Password));
    EXPECT_FALSE(anyFileHolds(QDir::homePath(), Password)); // the keyring on disk is encrypted

    EXPECT_EQ(await(store, [&] { store.remove(entry()); }).outcome, Outcome::Done);
    EXPECT_EQ(await(store, [&] { store.read(entry()); }).outcome, Outcome::NotFound);
    EXPECT_EQ(await(store, [&] { store.remove(entry()); }).outcome, Outcome::Done);
}

TEST(PasswordStoreTest, ACallThatTakesTooLongEndsAsUnavailable) {
    PasswordStore store;
    store.setTimeout(std::chrono::milliseconds(0));
    const PasswordStore::Result late = await(store, [&] { store.read(entry()); });
    EXPECT_EQ(late.outcome, Outcome::Unavailable);
    EXPECT_THAT(late.message.toStdString(), HasSubstr("did not answer"));
    store.setTimeout(std::chrono::seconds(5));
    EXPECT_EQ(await(store, [&] { store.read(entry()); }).outcome,
              Outcome::NotFound); // the abandoned call is gone
}

// Run without a session bus: no secret service answers, and the store says so at once.
TEST(NoSecretServiceTest, SaysSoAtOnce) {
    PasswordStore store;
    store.setTimeout(std::chrono::seconds(5));
    QElapsedTimer clock;
    clock.start();
    const PasswordStore::Result written =
        await(store, [&] { store.write(entry(), QString::fromUtf8(Password)); });
    EXPECT_EQ(written.outcome, Outcome::Unavailable);
    EXPECT_THAT(written.message.toStdString(), HasSubstr("secret service"));
    EXPECT_THAT(written.message.toStdString(), ::testing::Not(HasSubstr(Password)));
    EXPECT_EQ(await(store, [&] { store.read(entry()); }).outcome, Outcome::Unavailable);
    EXPECT_LT(clock.elapsed(), 3000);
}

} // namespace
} // namespace carddav
