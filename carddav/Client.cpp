#include "carddav/Client.h"

#include "carddav/DavBodies.h"
#include "carddav/Href.h"

#include <unordered_map>

namespace carddav {
namespace {

using cardsync::Request;
using cardsync::Response;

bool isSuccess(int status) {
    return status >= 200 && status < 300;
}

// A server that cannot take the token answers in many ways (403 valid-sync-token, 409, 410, 412, even
// 500); a whole listing is always right, and fails on its own where the trouble was not the token.
bool refusesToken(int status) {
    const bool transient = status == 401 || status == 407 || status == 408 || status == 429;
    return (status >= 400 && status < 500 && !transient) || status == 500;
}

bool refusesReport(int status) {
    return status == 400 || status == 403 || status == 405 || status == 415 || status == 501;
}

bool isCard(const DavResource& resource) {
    const QString type = resource.contentType.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
    return !resource.isCollection && !resource.href.endsWith(QLatin1Char('/')) &&
           (type.isEmpty() || type == QLatin1String("text/vcard") || type == QLatin1String("text/x-vcard") ||
            type == QLatin1String("text/directory"));
}

// An ETag the server stands by; a weak one or none means the card must be fetched again to know it.
std::string strongEtag(const QByteArray& etag) {
    const QByteArray trimmed = etag.trimmed();
    return trimmed.startsWith("W/") ? std::string() : trimmed.toStdString();
}

} // namespace

Client::Client(Account account, QString password, QObject* parent)
    : QObject(parent), connection_(std::move(account), std::move(password)),
      collection_(asCollection(connection_.account().addressBookUrl)) {}

std::string Client::collectionPath() const {
    return collection_.path(QUrl::FullyEncoded).toStdString();
}

void Client::start(Request request) {
    request_ = std::move(request);
    response_ = {};
    switch (request_.kind) {
    case Request::Kind::List:
        list();
        break;
    case Request::Kind::Fetch:
        asked_ = 0;
        fetchNextBatch();
        break;
    case Request::Kind::Create:
    case Request::Kind::Update:
        put();
        break;
    case Request::Kind::Remove:
        remove();
        break;
    }
}

void Client::list() {
    listed_.clear();
    truncated_ = false;
    if (offersSyncCollection_) {
        *offersSyncCollection_ ? syncCollection(QString::fromStdString(request_.syncToken)) : listEtags();
        return;
    }
    auto offers = std::make_shared<std::optional<bool>>();
    connection_.query(
        "PROPFIND", collection_, "0", bodies::collectionCheck(),
        [this, offers](DavResource&& resource, const QUrl& base) {
            if (isCollectionItself(resolveHref(base, resource.href))) {
                *offers = resource.isAddressBook ? resource.offersSyncCollection : std::optional<bool>();
            }
        },
        [this, offers](const HttpAnswer& answer, const QString&) {
            if (answer.status != 207) {
                fail(Connection::unexpected(answer));
            } else if (!*offers) {
                fail({Failure::Kind::Server,
                      QStringLiteral("%1 is not an address book.").arg(collection_.toDisplayString()),
                      answer.status});
            } else {
                offersSyncCollection_ = **offers;
                list();
            }
        },
        [this](const Failure& failure) { fail(failure); });
}

void Client::syncCollection(const QString& token) {
    const bool asDelta = !request_.syncToken.empty();
    connection_.query(
        "REPORT", collection_, "1", bodies::syncCollection(token),
        [this, asDelta](DavResource&& resource, const QUrl& base) {
            addListed(std::move(resource), base, asDelta);
        },
        [this, token](const HttpAnswer& answer, const QString& newToken) {
            if (answer.status == 207 && truncated_ && !newToken.isEmpty() && newToken != token) {
                truncated_ = false;
                syncCollection(newToken); // the server sends the rest in parts
            } else if (answer.status == 207) {
                finishListing(request_.syncToken.empty(), newToken);
            } else if (!token.isEmpty() && refusesToken(answer.status)) {
                Response response;
                response.outcome = Response::Outcome::TokenInvalid;
                succeed(std::move(response));
            } else if (token.isEmpty() && refusesReport(answer.status)) {
                offersSyncCollection_ = false; // it said it does, but does not
                listEtags();
            } else {
                fail(Connection::unexpected(answer));
            }
        },
        [this](const Failure& failure) { fail(failure); });
}

void Client::listEtags() {
    const auto failing = [this](const Failure& failure) { fail(failure); };
    connection_.query(
        "PROPFIND", collection_, "1", bodies::etagListing(),
        [this](DavResource&& resource, const QUrl& base) { addListed(std::move(resource), base, false); },
        Connection::onMultistatus([this] { finishListing(true, {}); }, failing), failing);
}

void Client::addListed(DavResource&& resource, const QUrl& base, bool asDelta) {
    if (isCollectionItself(resolveHref(base, resource.href))) {
        truncated_ = truncated_ || resource.status == 507;
        return;
    }
    const std::optional<std::string> href = cardHref(base, resource.href);
    if (!href) {
        return; // names another server: nothing of this address book
    }
    if (resource.status == 404) {
        if (asDelta) {
            listed_.push_back({*href, std::nullopt});
        }
    } else if (isCard(resource)) {
        listed_.push_back({*href, resource.etag.toStdString()});
    }
}

void Client::finishListing(bool complete, const QString& syncToken) {
    Response response;
    response.complete = complete;
    response.syncToken = syncToken.toStdString();
    // A listing in parts may name a card again; its last mention holds.
    std::unordered_map<std::string, std::size_t> last;
    last.reserve(listed_.size());
    for (std::size_t i = 0; i < listed_.size(); ++i) {
        last[hrefKey(listed_[i].href).toStdString()] = i;
    }
    response.cards.reserve(listed_.size());
    for (std::size_t i = 0; i < listed_.size(); ++i) {
        Listed& member = listed_[i];
        if (last[hrefKey(member.href).toStdString()] != i) {
            continue;
        }
        if (member.etag) {
            response.cards.push_back({std::move(member.href), std::move(*member.etag)});
        } else {
            response.removed.push_back(std::move(member.href));
        }
    }
    listed_.clear();
    succeed(std::move(response));
}

void Client::fetchNextBatch() {
    if (asked_ >= request_.hrefs.size()) {
        succeed(std::move(response_));
        return;
    }
    const std::size_t count = std::min(FetchBatch, request_.hrefs.size() - asked_);
    batch_.clear();
    for (std::size_t i = asked_; i < asked_ + count; ++i) {
        batch_.insert(hrefKey(request_.hrefs[i]), request_.hrefs[i]);
    }
    const QByteArray body = bodies::multiget(request_.hrefs, asked_, count);
    asked_ += count;
    const auto failing = [this](const Failure& failure) { fail(failure); };
    connection_.query(
        "REPORT", collection_, "1", body,
        [this](DavResource&& resource, const QUrl& base) {
            const auto asked = batch_.constFind(hrefKey(resolveHref(base, resource.href)));
            if (asked != batch_.cend() && !resource.addressData.isEmpty()) {
                response_.fetched.push_back(
                    {*asked, resource.etag.toStdString(), resource.addressData.toStdString()});
            }
        },
        Connection::onMultistatus([this] { fetchNextBatch(); }, failing), failing);
}

void Client::put() {
    const bool create = request_.kind == Request::Kind::Create;
    HttpRequest request{"PUT",
                        urlOf(request_.href),
                        QByteArray::fromStdString(request_.vcard),
                        {{"Content-Type", "text/vcard; charset=utf-8"}}};
    request.headers.append(
        create ? QPair<QByteArray, QByteArray>("If-None-Match", "*")
               : QPair<QByteArray, QByteArray>("If-Match", QByteArray::fromStdString(request_.etag)));
    connection_.send(
        std::move(request), [](const QByteArray&) {}, [this](const HttpAnswer& answer) { changed(answer); },
        [this](const Failure& failure) { fail(failure); });
}

void Client::remove() {
    HttpRequest request{
        "DELETE", urlOf(request_.href), {}, {{"If-Match", QByteArray::fromStdString(request_.etag)}}};
    connection_.send(
        std::move(request), [](const QByteArray&) {}, [this](const HttpAnswer& answer) { changed(answer); },
        [this](const Failure& failure) { fail(failure); });
}

void Client::changed(const HttpAnswer& answer) {
    Response response;
    if (isSuccess(answer.status)) {
        if (request_.kind != Request::Kind::Remove) {
            response.etag = strongEtag(answer.etag);
        }
    } else if (answer.status == 412) {
        response.outcome = Response::Outcome::PreconditionFailed;
    } else if (answer.status == 404 && request_.kind != Request::Kind::Create) {
        response.outcome = Response::Outcome::NotFound;
    } else {
        fail(Connection::unexpected(answer));
        return;
    }
    succeed(std::move(response));
}

bool Client::isCollectionItself(const QUrl& url) const {
    return hrefKey(asCollection(url)) == hrefKey(collection_);
}

QUrl Client::urlOf(const std::string& href) const {
    return collection_.resolved(QUrl(QString::fromStdString(href)));
}

void Client::succeed(Response response) {
    emit finished(response);
}

void Client::fail(const Failure& failure) {
    emit failed(failure);
}

} // namespace carddav
