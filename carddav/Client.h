#pragma once

#include "carddav/Account.h"
#include "carddav/Connection.h"
#include "carddav/Failure.h"
#include "sync/ServerRequests.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QUrl>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// Carries the sync's requests to one CardDAV address book (account.addressBookUrl) and brings back the
// answers, one request at a time:
//
//     carddav::Client client(account, password);
//     connect(&client, &carddav::Client::finished, engine, ...);  // a cardsync::Response
//     connect(&client, &carddav::Client::failed, engine, ...);    // a carddav::Failure: the run ends
//     client.start(request);                                      // the next one after either signal
//
// List uses sync-collection (RFC 6578) where the address book offers it, else a PROPFIND of the members'
// ETags; Fetch uses addressbook-multiget in batches of FetchBatch; Create, Update and Remove carry
// If-None-Match: * or If-Match. Hrefs come back as the server writes them (resolved to an absolute path);
// the fetched cards carry the hrefs as they were asked for, whatever encoding the server answers with.
// On Failure::UntrustedCertificate ask the user, put the fingerprint into the account, and start again
// with a new Client.
namespace carddav {

class Client : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t FetchBatch = 200;

    Client(Account account, QString password, QObject* parent = nullptr);

    void setTimeout(std::chrono::milliseconds timeout) { connection_.setTimeout(timeout); }

    // The address book's path ("/alice/contacts/"): a new card's href is this and a name of its own.
    std::string collectionPath() const;

    void start(cardsync::Request request);
    // The running request ends with failed(Cancelled); what the server already did stays done.
    void cancel() { connection_.cancel(); }

signals:
    void finished(const cardsync::Response& response);
    void failed(const carddav::Failure& failure);

private:
    // A member as a listing names it; no ETag for a removed one.
    struct Listed {
        std::string href;
        std::optional<std::string> etag;
    };

    void list();
    void syncCollection(const QString& token);
    void listEtags();
    void finishListing(bool complete, const QString& syncToken);
    void fetchNextBatch();
    void put();
    void remove();
    void changed(const HttpAnswer& answer);

    void addListed(DavResource&& resource, const QUrl& base, bool asDelta);
    bool isCollectionItself(const QUrl& url) const;
    void succeed(cardsync::Response response);
    void fail(const Failure& failure);
    QUrl urlOf(const std::string& href) const;

    Connection connection_;
    QUrl collection_;
    std::optional<bool> offersSyncCollection_;

    cardsync::Request request_;
    std::vector<Listed> listed_;
    bool truncated_ = false;
    std::size_t asked_ = 0;                // Fetch: hrefs sent so far
    QHash<QByteArray, std::string> batch_; // Fetch: the batch's hrefs by key
    cardsync::Response response_;
};

} // namespace carddav

Q_DECLARE_METATYPE(cardsync::Response)
