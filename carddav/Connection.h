#pragma once

#include "carddav/Account.h"
#include "carddav/Failure.h"
#include "carddav/Multistatus.h"

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSslError>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

class QNetworkReply;

// One HTTP exchange at a time with the account's server, under the transport rules (TransportRules.h):
// redirects followed here, keeping method, body and headers (Qt's own policy would turn a PROPFIND into
// a GET); Basic authentication sent where the rules allow; a certificate the system's authorities do not
// vouch for accepted only when it is the one the account pinned.
namespace carddav {

struct HttpRequest {
    QByteArray method;
    QUrl url;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
};

struct HttpAnswer {
    QByteArray method;
    int status = 0;
    QByteArray reason;
    QUrl url;             // where the answer came from, after redirects: the base for its hrefs
    QByteArray etag;      // the ETag header as sent
    QByteArray errorBody; // the start of a body outside 2xx (a precondition's XML)
    bool credentialsSent = false;
};

class Connection : public QObject {
    Q_OBJECT
public:
    using BodySink = std::function<void(const QByteArray&)>; // a 2xx body, piece by piece
    using OnAnswer = std::function<void(const HttpAnswer&)>;
    using OnFailure = std::function<void(const Failure&)>;

    static constexpr int MaxRedirects = 8;
    static constexpr std::chrono::seconds DefaultTimeout{60};

    Connection(Account account, QString password, QObject* parent = nullptr);
    ~Connection() override;

    const Account& account() const { return account_; }
    // How long an exchange may go without any byte moving before it fails.
    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

    // Exactly one of onAnswer and onFailure follows, from the event loop, also for a request the rules
    // refuse. Every status is an answer; failures are what has no status.
    void send(HttpRequest request, BodySink sink, OnAnswer onAnswer, OnFailure onFailure);
    // A PROPFIND or REPORT: each resource of a 207 goes to onResource as soon as it is read, with the URL
    // its href is relative to; then onDone with the answer (any status) and the multistatus's sync token.
    // A 207 that cannot be read is a Failure::Malformed.
    using OnResource = std::function<void(DavResource&&, const QUrl& base)>;
    using OnQueryDone = std::function<void(const HttpAnswer&, const QString& syncToken)>;
    void query(const QByteArray& method, const QUrl& url, const QByteArray& depth, const QByteArray& body,
               OnResource onResource, OnQueryDone onDone, OnFailure onFailure);

    // The running exchange ends with Failure::Cancelled.
    void cancel();

    // The failure for an answer its request did not expect: 401, 403, 5xx, ...
    static Failure unexpected(const HttpAnswer& answer);
    // The end of a query that goes on only after a multistatus: next, else onFailure with the answer's
    // failure.
    static OnQueryDone onMultistatus(std::function<void()> next, OnFailure onFailure);

private:
    void startHop(const QUrl& url);
    void onSslErrors(const QList<QSslError>& errors);
    void onReadyRead();
    bool consume(QNetworkReply& reply); // a slice of the body; true once all that arrived is read
    void onFinished();
    using Result = std::variant<HttpAnswer, Failure>;
    void deliver(Result result);
    void runHandler();
    void fail(Failure failure);

    QNetworkAccessManager network_;
    Account account_;
    QString password_;
    std::chrono::milliseconds timeout_ = DefaultTimeout;

    HttpRequest request_;
    BodySink sink_;
    OnAnswer onAnswer_;
    OnFailure onFailure_;
    QPointer<QNetworkReply> reply_;
    int redirects_ = 0;
    bool credentialsSent_ = false;
    bool cancelled_ = false;
    QByteArray errorBody_;
    std::optional<Failure> certificateFailure_;
    std::optional<Result> result_; // waiting for the event loop to hand it on
    std::unique_ptr<MultistatusReader> reader_;
};

} // namespace carddav
