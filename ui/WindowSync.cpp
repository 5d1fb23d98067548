#include "WindowSync.h"

#include "AccountDialog.h"
#include "ErrorBox.h"
#include "HandlerEdge.h"

#include <stdexcept>

namespace ui {

WindowSync::WindowSync(session::ListSession& list, QWidget& window, std::function<int()> keyColumn)
    : list_(list), window_(window), questions_(window, std::move(keyColumn)), job_(list, questions_),
      progress_(job_, window) {
    connect(&job_, &synchronise::SyncJob::ended, this, &WindowSync::tell);
}

void WindowSync::refuseWhileRunning() const {
    if (job_.running()) {
        throw std::runtime_error("A sync is running already");
    }
}

void WindowSync::synchronise() {
    refuseWhileRunning();
    const std::optional<carddav::Account> account = carddav::readAccount(list_.places().settingsFile);
    if (!account || account->serverUrl.isEmpty()) {
        setUpAccount();
        return;
    }
    start(*account, std::nullopt);
}

// What the user answered for one server (its address book, a certificate, plain http) holds for that
// server and user only.
void WindowSync::setUpAccount() {
    refuseWhileRunning();
    const carddav::Account stored =
        carddav::readAccount(list_.places().settingsFile).value_or(carddav::Account());
    AccountDialog& dialog = questions_.accountDialog();
    dialog.setUpAccount(stored);
    if (!questions_.runAccountDialog()) {
        return;
    }
    carddav::Account account = stored;
    account.serverUrl = carddav::Discovery::urlFromInput(dialog.serverAddress());
    account.user = dialog.user();
    if (!account.serverUrl.isValid() || account.serverUrl.host().isEmpty()) {
        throw std::runtime_error("Not a server's address: " + dialog.serverAddress().toStdString());
    }
    if (account.serverUrl != stored.serverUrl || account.user != stored.user) {
        account = carddav::Account{account.serverUrl, account.user, {}, {}, false};
    }
    carddav::writeAccount(list_.places().settingsFile, account);
    const QString password = dialog.password();
    start(account, password.isEmpty() ? std::nullopt : std::optional<QString>(password));
}

void WindowSync::start(const carddav::Account& account, std::optional<QString> password) {
    progress_.begin(account.serverUrl.host());
    job_.start(account, std::move(password));
}

void WindowSync::tell(const synchronise::Outcome& outcome) {
    switch (outcome.kind) {
    case synchronise::Outcome::Kind::Done:
        showInformation(&window_, outcome.text);
        return;
    case synchronise::Outcome::Kind::Failed:
        showErrorBox(&window_, QStringLiteral("The sync stopped: %1").arg(outcome.text));
        return;
    case synchronise::Outcome::Kind::Stopped:
        return;
    }
}

} // namespace ui
