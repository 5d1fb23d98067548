#pragma once

#include "tests/support/TempFolder.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <string>
#include <vector>

// A CardDAV server of a test's own, from Debian's packages: on a free port of 127.0.0.1, in a temporary
// folder, killed (SIGKILL: nothing of it needs to survive) and removed at the end of its scope.
//
//     auto server = testsupport::DavServer::start(testsupport::DavServer::Kind::Radicale);
//     server->addressBook();  // http://127.0.0.1:PORT/alice/contacts/, user alice, password pw
namespace testsupport {

class DavServer {
public:
    enum class Kind {
        Radicale, // Radicale 3 with htpasswd users (alice:pw); answers /.well-known/carddav with 301
        Xandikos, // no authentication; its address book is /user/contacts/addressbook/
    };

    struct Card {
        std::string name; // the file name in the address book, "x.vcf"
        std::string vcard;
    };

    struct Options {
        // Radicale: alice's address books ("contacts" first) with their display names.
        std::vector<std::pair<QString, QString>> addressBooks{
            {QStringLiteral("contacts"), QStringLiteral("Kontakte")}};
        // Cards put straight into the (first) address book's storage before the start, much faster than
        // uploading them. Radicale reads them all at its first listing; Xandikos serves them from a
        // git commit at once, but looks up each href of a multiget through the whole address book.
        std::vector<Card> cards;
        // Radicale over TLS with this certificate and key (PEM files).
        QString certificate;
        QString key;
    };

    // Throws std::runtime_error, with the server's output, when it does not answer within 10 s.
    static std::unique_ptr<DavServer> start(Kind kind, const Options& options);
    static std::unique_ptr<DavServer> start(Kind kind) { return start(kind, Options()); }
    ~DavServer();
    DavServer(const DavServer&) = delete;
    DavServer& operator=(const DavServer&) = delete;

    Kind kind() const { return kind_; }
    quint16 port() const { return port_; }
    QUrl root() const;        // http(s)://127.0.0.1:PORT/
    QUrl addressBook() const; // the first one
    QString user() const;     // empty where the server asks for none
    QString password() const;
    const std::filesystem::path& folder() const { return folder_.path(); }

private:
    DavServer(Kind kind, bool tls);
    void launch(const QStringList& arguments);

    Kind kind_;
    bool tls_;
    QString firstAddressBook_;
    TempFolder folder_;
    quint16 port_ = 0;
    QProcess process_;
};

// A free port on 127.0.0.1 at the moment of asking.
quint16 freeLoopbackPort();

} // namespace testsupport
