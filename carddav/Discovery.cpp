#include "carddav/Discovery.h"

#include "carddav/DavBodies.h"
#include "carddav/Href.h"
#include "carddav/TransportRules.h"

#include <memory>

namespace carddav {
namespace {

void addAddressBook(QList<AddressBook>& addressBooks, AddressBook addressBook) {
    const QByteArray key = hrefKey(asCollection(addressBook.url));
    for (const AddressBook& known : addressBooks) {
        if (hrefKey(asCollection(known.url)) == key) {
            return;
        }
    }
    addressBooks.append(std::move(addressBook));
}

} // namespace

Discovery::Discovery(Account account, QString password, QObject* parent)
    : QObject(parent), connection_(std::move(account), std::move(password)) {}

QUrl Discovery::urlFromInput(const QString& typed) {
    const QString text = typed.trimmed();
    if (text.isEmpty()) {
        return {};
    }
    QUrl url = text.contains(QLatin1String("://")) ? QUrl(text) : QUrl(QStringLiteral("http://") + text);
    if (!text.contains(QLatin1String("://")) && !isLoopback(url)) {
        url.setScheme(QStringLiteral("https"));
    }
    return url.adjusted(QUrl::RemoveUserInfo);
}

void Discovery::start() {
    const QUrl typed = connection_.account().serverUrl;
    QUrl wellKnown = typed.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
    wellKnown.setPath(QStringLiteral("/.well-known/carddav"));
    QUrl root = wellKnown;
    root.setPath(QStringLiteral("/"));
    const bool bareServer = typed.path().isEmpty() || typed.path() == QLatin1String("/");
    starts_ = bareServer ? QList<QUrl>{wellKnown, root} : QList<QUrl>{typed, wellKnown};
    homes_.clear();
    addressBooks_.clear();
    probeNextStart();
}

// Each start may be the address book itself, a home, a principal, or lead to a principal.
void Discovery::probeNextStart() {
    if (starts_.isEmpty()) {
        fail({Failure::Kind::Server,
              QStringLiteral(
                  "No CardDAV address book was found at %1. Enter the address book's own address, or "
                  "the server's.")
                  .arg(connection_.account().serverUrl.toDisplayString())});
        return;
    }
    auto findings = std::make_shared<Findings>();
    connection_.query(
        "PROPFIND", starts_.takeFirst(), "0", bodies::discovery(),
        [findings](DavResource&& resource, const QUrl& base) {
            if (resource.isAddressBook) {
                addAddressBook(findings->addressBooks,
                               {resolveHref(base, resource.href), resource.displayName});
            }
            for (const QString& href : resource.homeSetHrefs) {
                findings->homes.append(resolveHref(base, href));
            }
            if (!resource.principalHrefs.isEmpty()) {
                findings->principal = resolveHref(base, resource.principalHrefs.front());
            }
        },
        [this, findings](const HttpAnswer& answer, const QString&) {
            if (answer.status == 401 || answer.status == 403) {
                fail(Connection::unexpected(answer));
            } else if (!findings->addressBooks.isEmpty()) {
                emit found(findings->addressBooks);
            } else if (!findings->homes.isEmpty()) {
                homes_ = findings->homes;
                listNextHome();
            } else if (findings->principal.isValid()) {
                readPrincipal(findings->principal);
            } else {
                probeNextStart();
            }
        },
        [this](const Failure& failure) { fail(failure); });
}

void Discovery::readPrincipal(const QUrl& principal) {
    auto homes = std::make_shared<QList<QUrl>>();
    connection_.query(
        "PROPFIND", principal, "0", bodies::discovery(),
        [homes](DavResource&& resource, const QUrl& base) {
            for (const QString& href : resource.homeSetHrefs) {
                homes->append(resolveHref(base, href));
            }
        },
        [this, homes, principal](const HttpAnswer& answer, const QString&) {
            if (answer.status != 207) {
                fail(Connection::unexpected(answer));
            } else if (homes->isEmpty()) {
                fail({Failure::Kind::Server,
                      QStringLiteral("%1 names no place for address books of this user.")
                          .arg(principal.toDisplayString()),
                      answer.status});
            } else {
                homes_ = *homes;
                listNextHome();
            }
        },
        [this](const Failure& failure) { fail(failure); });
}

void Discovery::listNextHome() {
    if (homes_.isEmpty()) {
        if (addressBooks_.isEmpty()) {
            fail({Failure::Kind::Server, QStringLiteral("This user has no address book on the server yet.")});
        } else {
            emit found(addressBooks_);
        }
        return;
    }
    const auto failing = [this](const Failure& failure) { fail(failure); };
    connection_.query(
        "PROPFIND", homes_.takeFirst(), "1", bodies::discovery(),
        [this](DavResource&& resource, const QUrl& base) {
            if (resource.isAddressBook) {
                addAddressBook(addressBooks_, {resolveHref(base, resource.href), resource.displayName});
            }
        },
        Connection::onMultistatus([this] { listNextHome(); }, failing), failing);
}

} // namespace carddav
