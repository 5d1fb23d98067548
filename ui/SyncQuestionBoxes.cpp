#include "SyncQuestionBoxes.h"

#include "AccountDialog.h"
#include "MessageBox.h"

#include <QApplication>
#include <QPushButton>

namespace ui {

SyncQuestionBoxes::SyncQuestionBoxes(QWidget& window, std::function<int()> keyColumn)
    : window_(window), keyColumn_(std::move(keyColumn)) {}

SyncQuestionBoxes::~SyncQuestionBoxes() = default;

AccountDialog& SyncQuestionBoxes::accountDialog() {
    if (!dialog_) {
        dialog_ = new AccountDialog(&window_);
    }
    return *dialog_;
}

bool SyncQuestionBoxes::runAccountDialog() {
    const int result = accountDialog().exec();
    window_.activateWindow(); // also where no window manager hands the activation back
    return result == QDialog::Accepted;
}

std::optional<QString> SyncQuestionBoxes::password(const carddav::Account& account, const QString& why) {
    accountDialog().askPassword(account, why);
    if (!runAccountDialog()) {
        return std::nullopt;
    }
    return accountDialog().password();
}

std::optional<carddav::AddressBook>
SyncQuestionBoxes::chooseAddressBook(const carddav::Account& account,
                                     const QList<carddav::AddressBook>& books) {
    accountDialog().chooseAddressBook(account, books);
    if (!runAccountDialog()) {
        return std::nullopt;
    }
    return accountDialog().chosenAddressBook();
}

bool SyncQuestionBoxes::confirm(const QString& text, const QString& yes) {
    MessageBox box(QMessageBox::Question, QStringLiteral("Bestätigung"), text, QMessageBox::NoButton,
                   &window_);
    QPushButton* const go = box.addButton(yes, QMessageBox::AcceptRole);
    QPushButton* const cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == go;
}

bool SyncQuestionBoxes::acceptCertificate(const carddav::Account& account, const carddav::Failure& failure) {
    const QString host = account.serverUrl.host();
    const QString question =
        failure.certificateChanged
            ? QStringLiteral(
                  "The certificate of %1 is not the one accepted before. Accept the new one only if "
                  "the server's owner changed it.")
                  .arg(host)
            : QStringLiteral(
                  "The system's authorities do not vouch for the certificate of %1. Accept it only if "
                  "this is its owner's fingerprint.")
                  .arg(host);
    return confirm(question + QStringLiteral("\n\nSHA-256: %1").arg(failure.fingerprint),
                   QStringLiteral("&Accept"));
}

bool SyncQuestionBoxes::allowPlainHttp(const carddav::Account& account, const carddav::Failure&) {
    return confirm(QStringLiteral("%1 is reached over plain http: the password and the addresses go over the "
                                  "network unencrypted. Allow it for this server?")
                       .arg(account.serverUrl.host()),
                   QStringLiteral("A&llow"));
}

bool SyncQuestionBoxes::confirmDeletions(const QString& deletions) {
    return confirm(deletions + QStringLiteral(". Go on?"), QStringLiteral("OK"));
}

bool SyncQuestionBoxes::listMayChange() const {
    return QApplication::activeModalWidget() == nullptr;
}

} // namespace ui
