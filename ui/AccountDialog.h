#pragma once

#include "carddav/Account.h"
#include "carddav/Discovery.h"

#include <QDialog>

#include <memory>
#include <optional>

namespace Ui {
class AccountDialog;
}

// The account the list is synchronised with: the server's address and the user name, the password where
// one is needed, the address book where the server has several. The caller fills it for what it asks,
// runs exec() and reads the fields once it was accepted.
class AccountDialog : public QDialog {
    Q_OBJECT
public:
    explicit AccountDialog(QWidget* parent = nullptr);
    ~AccountDialog() override;

    // Setting the account up: address and user as stored, to be changed; a password may be typed (left
    // empty, the secret service's is used).
    void setUpAccount(const carddav::Account& account);
    // Only the password is asked, and why.
    void askPassword(const carddav::Account& account, const QString& why);
    // Only the address book is asked, among these.
    void chooseAddressBook(const carddav::Account& account, const QList<carddav::AddressBook>& books);

    QString serverAddress() const; // as typed
    QString user() const;
    QString password() const;
    std::optional<carddav::AddressBook> chosenAddressBook() const;

private:
    void showAccount(const carddav::Account& account, bool editable);
    void fitContents();

    std::unique_ptr<Ui::AccountDialog> ui_;
    QList<carddav::AddressBook> books_;
};
