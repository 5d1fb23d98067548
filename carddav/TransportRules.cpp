#include "carddav/TransportRules.h"

#include <QHostAddress>

namespace carddav {
namespace {

bool isAccountHost(const QUrl& target, const Account& account) {
    const QString host = target.host().toLower();
    return !host.isEmpty() &&
           (host == account.serverUrl.host().toLower() || host == account.addressBookUrl.host().toLower());
}

QString normalisedFingerprint(const QString& fingerprint) {
    QString hex;
    for (const QChar c : fingerprint) {
        if (c.isLetterOrNumber()) {
            hex += c.toUpper();
        }
    }
    return hex;
}

} // namespace

bool isLoopback(const QUrl& url) {
    const QString host = url.host().toLower();
    const QHostAddress address(host);
    return host == QLatin1String("localhost") || (!address.isNull() && address.isLoopback());
}

Permission permissionFor(const QUrl& target, const Account& account) {
    const QString scheme = target.scheme().toLower();
    const bool ownHost = isAccountHost(target, account);
    if (scheme == QLatin1String("https")) {
        return {true, ownHost, {}, false};
    }
    if (scheme != QLatin1String("http")) {
        return {false, false,
                QStringLiteral("%1 is not an http or https address.").arg(target.toDisplayString())};
    }
    if (isLoopback(target) || (ownHost && account.plainHttpConfirmed)) {
        return {true, ownHost, {}, false};
    }
    return {false, false,
            QStringLiteral("%1 uses plain http, which would send the password unencrypted. Use https, or "
                           "confirm plain http for this account.")
                .arg(target.adjusted(QUrl::RemoveUserInfo).toDisplayString()),
            ownHost};
}

QString redirectRefusal(const QUrl& from, const QUrl& to) {
    if (from.scheme().toLower() == QLatin1String("https") &&
        to.scheme().toLower() != QLatin1String("https")) {
        return QStringLiteral("The server at %1 redirected to %2, which is not encrypted.")
            .arg(from.host(), to.adjusted(QUrl::RemoveUserInfo).toDisplayString());
    }
    return {};
}

QString fingerprintOf(const QSslCertificate& certificate) {
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

bool sameFingerprint(const QString& left, const QString& right) {
    const QString normalised = normalisedFingerprint(left);
    return !normalised.isEmpty() && normalised == normalisedFingerprint(right);
}

} // namespace carddav
