#pragma once

#include "synchronise/Questions.h"

#include <QPointer>

#include <functional>

class AccountDialog;
class QWidget;

namespace ui {

// The sync's questions put to the person in the window: the account dialog for the password and the
// address book, message boxes for a certificate, plain http and mass deletions (each defaulting to
// "Abbrechen").
class SyncQuestionBoxes : public synchronise::Questions {
public:
    SyncQuestionBoxes(QWidget& window, std::function<int()> keyColumn);
    ~SyncQuestionBoxes() override;

    // Made at its first use; a child of the window.
    AccountDialog& accountDialog();
    // Runs the dialog as filled; false when it was cancelled.
    bool runAccountDialog();

    std::optional<QString> password(const carddav::Account& account, const QString& why) override;
    std::optional<carddav::AddressBook> chooseAddressBook(const carddav::Account& account,
                                                          const QList<carddav::AddressBook>& books) override;
    bool acceptCertificate(const carddav::Account& account, const carddav::Failure& failure) override;
    bool allowPlainHttp(const carddav::Account& account, const carddav::Failure& failure) override;
    bool confirmDeletions(const QString& deletions) override;
    bool listMayChange() const override;
    int keyColumn() const override { return keyColumn_(); }

private:
    bool confirm(const QString& text, const QString& yes);

    QWidget& window_;
    std::function<int()> keyColumn_;
    QPointer<AccountDialog> dialog_;
};

} // namespace ui
