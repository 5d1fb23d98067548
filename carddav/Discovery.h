#pragma once

#include "carddav/Account.h"
#include "carddav/Connection.h"
#include "carddav/Failure.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>

// Finds the user's address books from what the user typed: a host, a server's root, a principal, or an
// address book itself (RFC 6764 and RFC 6352: /.well-known/carddav, current-user-principal,
// addressbook-home-set, the address books in each home).
//
//     carddav::Account account;
//     account.serverUrl = carddav::Discovery::urlFromInput(typed);
//     account.user = user;
//     auto* discovery = new carddav::Discovery(account, password, parent);
//     connect(discovery, &carddav::Discovery::found, ...);   // every address book, in the server's order
//     connect(discovery, &carddav::Discovery::failed, ...);  // as Client's failures
//     discovery->start();
//
// The window lets the user pick one when there are several; the command line takes the only one or lists
// them. The chosen one's url goes into account.addressBookUrl.
namespace carddav {

struct AddressBook {
    QUrl url;
    QString displayName; // may be empty

    friend bool operator==(const AddressBook&, const AddressBook&) = default;
};

class Discovery : public QObject {
    Q_OBJECT
public:
    Discovery(Account account, QString password, QObject* parent = nullptr);

    // "dav.example.org", "https://dav.example.org/dav/", "localhost:5232": a URL with a scheme, https
    // unless the host is a loopback address; a user name or password typed into it is dropped.
    static QUrl urlFromInput(const QString& typed);

    void setTimeout(std::chrono::milliseconds timeout) { connection_.setTimeout(timeout); }
    void start();
    void cancel() { connection_.cancel(); }

signals:
    void found(const QList<carddav::AddressBook>& addressBooks);
    void failed(const carddav::Failure& failure);

private:
    struct Findings {
        QList<AddressBook> addressBooks;
        QList<QUrl> homes;
        QUrl principal;
    };

    void probeNextStart();
    void readPrincipal(const QUrl& principal);
    void listNextHome();
    void fail(const Failure& failure) { emit failed(failure); }

    Connection connection_;
    QList<QUrl> starts_; // where to ask first: the URL typed, the well-known URL, the root
    QList<QUrl> homes_;
    QList<AddressBook> addressBooks_;
};

} // namespace carddav

Q_DECLARE_METATYPE(carddav::AddressBook)
