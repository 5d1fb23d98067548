#pragma once

#include <QMetaType>
#include <QString>

namespace carddav {

// Why the server gave no answer the sync can use. The message is for the user as it stands; it never
// holds the password.
struct Failure {
    enum class Kind {
        Network,              // no connection, the connection cut, no answer in time, TLS failed
        Refused,              // the transport rules forbid the connection (see TransportRules.h)
        PlainHttp,            // plain http to the account's own host: ask, set plainHttpConfirmed, try again
        Authentication,       // 401: user name or password wrong, or none sent
        Forbidden,            // 403
        Server,               // any other status the request does not expect, 5xx included
        Malformed,            // an answer that cannot be read
        UntrustedCertificate, // ask the user about fingerprint, pin it in the account and try again
        Cancelled,
    };
    Failure() = default;
    Failure(Kind kind_, QString message_, int status_ = 0)
        : kind(kind_), message(std::move(message_)), status(status_) {}

    Kind kind = Kind::Network;
    QString message;
    int status = 0; // the HTTP status, where there was one

    // UntrustedCertificate: the server certificate's SHA-256 ("AB:CD:..."), and whether the account had
    // pinned another one (the certificate changed since the user accepted it).
    QString fingerprint;
    bool certificateChanged = false;
};

} // namespace carddav

Q_DECLARE_METATYPE(carddav::Failure)
