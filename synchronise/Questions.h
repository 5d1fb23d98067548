#pragma once

#include "carddav/Account.h"
#include "carddav/Discovery.h"
#include "carddav/Failure.h"

#include <QList>
#include <QString>

#include <optional>

namespace synchronise {

// What a sync needs answered on its way: by the person, in the window, or by the command's options. A
// question answered with "no" (or nothing) stops the sync; what was done so far stays done.
class Questions {
public:
    virtual ~Questions() = default;

    // The account's password. why: the secret service's answer, or the server's refusal of the last one.
    virtual std::optional<QString> password(const carddav::Account& account, const QString& why) = 0;
    // One of the address books the server has (more than one).
    virtual std::optional<carddav::AddressBook>
    chooseAddressBook(const carddav::Account& account, const QList<carddav::AddressBook>& books) = 0;
    // A certificate the system's authorities do not vouch for: failure.fingerprint, certificateChanged.
    virtual bool acceptCertificate(const carddav::Account& account, const carddav::Failure& failure) = 0;
    // Plain http to the account's own host, which is no loopback address.
    virtual bool allowPlainHttp(const carddav::Account& account, const carddav::Failure& failure) = 0;
    // deletions: "The sync would delete 6 of the 10 records here ...".
    virtual bool confirmDeletions(const QString& deletions) = 0;

    // False while a command of the user's waits on a dialog (it holds a row number the sync's changes
    // would move): the changes and the questions wait until it is closed.
    virtual bool listMayChange() const { return true; }
    // The column the list is sorted by: new records go in at their place in its key order.
    virtual int keyColumn() const = 0;
};

} // namespace synchronise
