#pragma once

#include "carddav/Account.h"

#include <QSslCertificate>
#include <QString>
#include <QUrl>

// Where a request may go, and where the user's credentials may go with it:
// - https anywhere; the certificate checked by the system's authorities, or pinned by the user;
// - plain http only to a loopback address, or to the account's own host after the user confirmed it;
// - credentials only to the account's own hosts (the URL typed and the address book chosen), never
//   over plain http to anything else;
// - redirects never from https to http.
namespace carddav {

struct Permission {
    bool allowed = false;
    bool withCredentials = false;
    QString refusal;                // for the user, when not allowed
    bool confirmationHelps = false; // plain http to the account's own host, not yet confirmed
};

bool isLoopback(const QUrl& url);
Permission permissionFor(const QUrl& target, const Account& account);

// Empty when a redirect from one URL to the other may be followed, else why not.
QString redirectRefusal(const QUrl& from, const QUrl& to);

// "AB:CD:...", as openssl x509 -fingerprint -sha256 shows it.
QString fingerprintOf(const QSslCertificate& certificate);
// Compares fingerprints written with or without colons and blanks, in any case.
bool sameFingerprint(const QString& left, const QString& right);

} // namespace carddav
