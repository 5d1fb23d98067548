#include "carddav/Connection.h"

#include "carddav/TransportRules.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>

namespace carddav {
namespace {

constexpr qsizetype MaxErrorBody = 64 * 1024;
// A body is handed on a slice at a time between turns of the event loop: a listing of 10,000 cards from
// a server close by arrives in one piece, and reading it whole held the window still for 80 ms.
constexpr qint64 SliceBytes = 256 * 1024;

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool isSuccess(int status) {
    return status >= 200 && status < 300;
}

QString place(const QUrl& url) {
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment).toDisplayString();
}

} // namespace

Connection::Connection(Account account, QString password, QObject* parent)
    : QObject(parent), account_(std::move(account)), password_(std::move(password)) {
    network_.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

Connection::~Connection() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

void Connection::send(HttpRequest request, BodySink sink, OnAnswer onAnswer, OnFailure onFailure) {
    Q_ASSERT(!reply_ && !result_);
    request_ = std::move(request);
    sink_ = std::move(sink);
    onAnswer_ = std::move(onAnswer);
    onFailure_ = std::move(onFailure);
    redirects_ = 0;
    cancelled_ = false;
    startHop(request_.url);
}

void Connection::query(const QByteArray& method, const QUrl& url, const QByteArray& depth,
                       const QByteArray& body, OnResource onResource, OnQueryDone onDone,
                       OnFailure onFailure) {
    reader_ = std::make_unique<MultistatusReader>(
        [this, onResource = std::move(onResource)](DavResource&& resource) {
            onResource(std::move(resource), request_.url);
        });
    HttpRequest request{
        method, url, body, {{"Depth", depth}, {"Content-Type", "application/xml; charset=utf-8"}}};
    const OnFailure onMalformed = onFailure;
    send(
        std::move(request), [this](const QByteArray& chunk) { reader_->feed(chunk); },
        [this, onDone = std::move(onDone), onMalformed](const HttpAnswer& answer) {
            const std::unique_ptr<MultistatusReader> reader = std::move(reader_);
            if (answer.status != 207) {
                onDone(answer, {});
                return;
            }
            if (const QString error = reader->finish(); !error.isEmpty()) {
                onMalformed({Failure::Kind::Malformed,
                             QStringLiteral("The answer of %1 to %2 could not be read: %3.")
                                 .arg(answer.url.host(), QString::fromLatin1(answer.method), error),
                             answer.status});
                return;
            }
            onDone(answer, reader->syncToken());
        },
        std::move(onFailure));
}

void Connection::cancel() {
    cancelled_ = true;
    if (reply_) {
        reply_->abort(); // finishes the reply, which reports the cancel
    } else if (result_) {
        result_ = Failure{Failure::Kind::Cancelled, QStringLiteral("Cancelled.")};
    }
}

void Connection::startHop(const QUrl& url) {
    errorBody_.clear();
    certificateFailure_.reset();
    const Permission permission = permissionFor(url, account_);
    if (!permission.allowed) {
        fail({permission.confirmationHelps ? Failure::Kind::PlainHttp : Failure::Kind::Refused,
              permission.refusal});
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(timeout_.count()));
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray("Numberwell/1.0"));
    for (const auto& [name, value] : request_.headers) {
        request.setRawHeader(name, value);
    }
    credentialsSent_ = permission.withCredentials && !account_.user.isEmpty();
    if (credentialsSent_) {
        request.setRawHeader("Authorization",
                             "Basic " + (account_.user + QLatin1Char(':') + password_).toUtf8().toBase64());
    }
    request_.url = url;
    QNetworkReply* reply = network_.sendCustomRequest(request, request_.method, request_.body);
    reply_ = reply;
    connect(reply, &QNetworkReply::sslErrors, this, &Connection::onSslErrors);
    connect(reply, &QNetworkReply::readyRead, this, &Connection::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &Connection::onFinished);
}

void Connection::onSslErrors(const QList<QSslError>& errors) {
    QSslCertificate certificate = reply_->sslConfiguration().peerCertificate();
    if (certificate.isNull() && !errors.isEmpty()) {
        certificate = errors.front().certificate();
    }
    const QString fingerprint = fingerprintOf(certificate);
    if (!certificate.isNull() && sameFingerprint(fingerprint, account_.pinnedFingerprint)) {
        reply_->ignoreSslErrors(errors);
        return;
    }
    const bool changed = !account_.pinnedFingerprint.isEmpty();
    const QString host = reply_->url().host();
    Failure failure{
        Failure::Kind::UntrustedCertificate,
        changed ? QStringLiteral("The certificate of %1 has changed since you accepted it. Its SHA-256 "
                                 "fingerprint is now %2.")
                      .arg(host, fingerprint)
                : QStringLiteral("The certificate of %1 is not vouched for by this system's "
                                 "authorities (%2). Its SHA-256 fingerprint is %3.")
                      .arg(host, errors.isEmpty() ? QString() : errors.front().errorString(), fingerprint)};
    failure.fingerprint = fingerprint;
    failure.certificateChanged = changed;
    certificateFailure_ = std::move(failure);
}

void Connection::onReadyRead() {
    if (reply_ && !consume(*reply_)) {
        QTimer::singleShot(0, this, &Connection::onReadyRead);
    }
}

bool Connection::consume(QNetworkReply& reply) {
    if (!reply.isOpen()) {
        return true; // aborted
    }
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (isSuccess(status)) {
        sink_(reply.read(SliceBytes));
        return reply.bytesAvailable() == 0;
    }
    if (errorBody_.size() < MaxErrorBody) {
        errorBody_ += reply.read(MaxErrorBody - errorBody_.size());
    } else {
        reply.readAll();
    }
    return true;
}

void Connection::onFinished() {
    QNetworkReply* reply = reply_;
    if (!reply) {
        return; // finished already, and a slice was still waiting
    }
    if (!consume(*reply)) {
        QTimer::singleShot(0, this, &Connection::onFinished); // the rest of the body first
        return;
    }
    reply_ = nullptr;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (cancelled_) {
        fail({Failure::Kind::Cancelled, QStringLiteral("Cancelled.")});
        return;
    }
    if (certificateFailure_) {
        fail(*certificateFailure_);
        return;
    }
    if (status == 0 || (reply->error() != QNetworkReply::NoError && isSuccess(status))) {
        const bool timedOut = reply->error() == QNetworkReply::OperationCanceledError;
        fail({Failure::Kind::Network,
              timedOut
                  ? QStringLiteral("%1 did not answer within %2 seconds.")
                        .arg(reply->url().host())
                        .arg(std::chrono::duration_cast<std::chrono::seconds>(timeout_).count())
                  : QStringLiteral("Could not reach %1: %2").arg(reply->url().host(), reply->errorString())});
        return;
    }
    if (isRedirect(status)) {
        const QByteArray location = reply->rawHeader("Location");
        const QUrl target = reply->url().resolved(QUrl::fromEncoded(location));
        if (location.isEmpty() || !target.isValid()) {
            fail({Failure::Kind::Malformed,
                  QStringLiteral("%1 redirected without a valid address.").arg(place(reply->url())), status});
            return;
        }
        if (++redirects_ > MaxRedirects) {
            fail({Failure::Kind::Refused,
                  QStringLiteral("%1 redirected more than %2 times.")
                      .arg(place(request_.url))
                      .arg(MaxRedirects),
                  status});
            return;
        }
        if (const QString refusal = redirectRefusal(reply->url(), target); !refusal.isEmpty()) {
            fail({Failure::Kind::Refused, refusal, status});
            return;
        }
        startHop(target);
        return;
    }
    HttpAnswer answer{request_.method,
                      status,
                      reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray(),
                      reply->url(),
                      reply->rawHeader("ETag"),
                      std::move(errorBody_),
                      credentialsSent_};
    deliver(std::move(answer));
}

void Connection::fail(Failure failure) {
    deliver(std::move(failure));
}

// Handlers never run inside send() or cancel(), so a caller's state is settled before they do.
void Connection::deliver(Result result) {
    result_ = std::move(result);
    QMetaObject::invokeMethod(this, &Connection::runHandler, Qt::QueuedConnection);
}

void Connection::runHandler() {
    if (!result_) {
        return;
    }
    const Result result = *std::exchange(result_, std::nullopt);
    // Taken out first: a handler may well send the next request.
    const OnAnswer onAnswer = std::exchange(onAnswer_, {});
    const OnFailure onFailure = std::exchange(onFailure_, {});
    sink_ = {};
    if (const HttpAnswer* answer = std::get_if<HttpAnswer>(&result)) {
        onAnswer(*answer);
    } else {
        onFailure(std::get<Failure>(result));
    }
}

Connection::OnQueryDone Connection::onMultistatus(std::function<void()> next, OnFailure onFailure) {
    return
        [next = std::move(next), onFailure = std::move(onFailure)](const HttpAnswer& answer, const QString&) {
            if (answer.status == 207) {
                next();
            } else {
                onFailure(unexpected(answer));
            }
        };
}

Failure Connection::unexpected(const HttpAnswer& answer) {
    const QString where = place(answer.url);
    const QString reason = QString::fromUtf8(answer.reason);
    switch (answer.status) {
    case 401:
        return {Failure::Kind::Authentication,
                answer.credentialsSent
                    ? QStringLiteral("%1 did not accept the user name and password.").arg(answer.url.host())
                    : QStringLiteral(
                          "%1 asks for a user name and password, which are sent only to the account's own "
                          "server. Enter %2 as the server's address.")
                          .arg(answer.url.host(), answer.url
                                                      .adjusted(QUrl::RemovePath | QUrl::RemoveQuery |
                                                                QUrl::RemoveFragment | QUrl::RemoveUserInfo)
                                                      .toDisplayString()),
                answer.status};
    case 403:
        return {Failure::Kind::Forbidden,
                QStringLiteral("%1 refused access to %2 (403 %3).").arg(answer.url.host(), where, reason),
                answer.status};
    default:
        return {Failure::Kind::Server,
                QStringLiteral("%1 answered %2 %3 with %4 %5.")
                    .arg(answer.url.host(), QString::fromLatin1(answer.method), where)
                    .arg(answer.status)
                    .arg(reason),
                answer.status};
    }
}

} // namespace carddav
