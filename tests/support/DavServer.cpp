#include "tests/support/DavServer.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <stdexcept>
#include <sys/prctl.h>

namespace testsupport {
namespace {

constexpr int StartSeconds = 10;

QString path(const std::filesystem::path& file) {
    return QString::fromStdString(file.string());
}

bool answers(quint16 port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(200);
}

void git(const std::filesystem::path& folder, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(path(folder));
    process.start(QStringLiteral("git"),
                  QStringList{"-c", "user.name=test", "-c", "user.email=test@127.0.0.1"} + arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        throw std::runtime_error("git " + arguments.join(' ').toStdString() +
                                 " failed: " + process.readAllStandardError().toStdString());
    }
}

// Xandikos keeps an address book as a git repository and serves what is committed.
void fillGitAddressBook(const std::filesystem::path& book, const std::vector<DavServer::Card>& cards) {
    std::filesystem::create_directories(book);
    git(book, {"init", "-q"});
    writeBytes(book / ".xandikos", "[DEFAULT]\ntype = addressbook\n");
    for (const DavServer::Card& card : cards) {
        writeBytes(book / card.name, card.vcard);
    }
    git(book, {"add", "-A"});
    git(book, {"commit", "-q", "-m", "cards"});
}

} // namespace

quint16 freeLoopbackPort() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        throw std::runtime_error("no free port on 127.0.0.1");
    }
    return server.serverPort();
}

DavServer::DavServer(Kind kind, bool tls) : kind_(kind), tls_(tls), port_(freeLoopbackPort()) {}

std::unique_ptr<DavServer> DavServer::start(Kind kind, const Options& options) {
    const bool tls = !options.certificate.isEmpty();
    std::unique_ptr<DavServer> server(new DavServer(kind, tls));
    server->firstAddressBook_ = options.addressBooks.front().first;
    const std::filesystem::path& folder = server->folder();
    const QString listen = QStringLiteral("127.0.0.1:%1").arg(server->port_);
    if (kind == Kind::Xandikos) {
        if (!options.cards.empty()) {
            fillGitAddressBook(folder / "data/user/contacts/addressbook", options.cards);
        }
        server->launch({QStringLiteral("xandikos"), QStringLiteral("-d"), path(folder / "data"),
                        QStringLiteral("--defaults"), QStringLiteral("-l"), QStringLiteral("127.0.0.1"),
                        QStringLiteral("-p"), QString::number(server->port_)});
        return server;
    }
    writeBytes(folder / "users", "alice:pw\n");
    for (const auto& [name, displayName] : options.addressBooks) {
        const std::filesystem::path book = folder / "store/collection-root/alice" / name.toStdString();
        std::filesystem::create_directories(book);
        writeBytes(book / ".Radicale.props",
                   R"({"tag": "VADDRESSBOOK", "D:displayname": ")" + displayName.toStdString() + "\"}");
    }
    const std::filesystem::path firstBook =
        folder / "store/collection-root/alice" / options.addressBooks.front().first.toStdString();
    for (const Card& card : options.cards) {
        writeBytes(firstBook / card.name, card.vcard);
    }
    // A test's storage needs no fsync after every card (eatmydata makes it a no-op): with it, Radicale's
    // first listing of 10,000 cards takes many minutes. --config "" keeps Debian's configuration out.
    QStringList arguments{QStringLiteral("eatmydata"),
                          QStringLiteral("radicale"),
                          QStringLiteral("--config"),
                          QString(),
                          QStringLiteral("--server-hosts"),
                          listen,
                          QStringLiteral("--storage-filesystem-folder"),
                          path(folder / "store"),
                          QStringLiteral("--auth-type"),
                          QStringLiteral("htpasswd"),
                          QStringLiteral("--auth-htpasswd-filename"),
                          path(folder / "users"),
                          QStringLiteral("--auth-htpasswd-encryption"),
                          QStringLiteral("plain"),
                          QStringLiteral("--auth-delay"),
                          QStringLiteral("0")};
    if (tls) {
        arguments << QStringLiteral("--server-ssl") << QStringLiteral("--server-certificate")
                  << options.certificate << QStringLiteral("--server-key") << options.key;
    }
    server->launch(arguments);
    return server;
}

void DavServer::launch(const QStringList& arguments) {
    // Killed with the test even when the test itself crashes.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(path(folder() / "server.log"));
    process_.start(arguments.front(), arguments.mid(1));
    const QDeadlineTimer deadline(StartSeconds * 1000);
    while (!deadline.hasExpired()) {
        if (process_.state() == QProcess::NotRunning) {
            break;
        }
        if (answers(port_)) {
            return;
        }
        QThread::msleep(50);
    }
    process_.kill();
    process_.waitForFinished(5000);
    throw std::runtime_error(arguments.join(QLatin1Char(' ')).toStdString() +
                             " did not start: " + readBytes(folder() / "server.log"));
}

DavServer::~DavServer() {
    process_.kill();
    process_.waitForFinished(5000);
}

QUrl DavServer::root() const {
    return QUrl(QStringLiteral("%1://127.0.0.1:%2/")
                    .arg(tls_ ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(port_));
}

QUrl DavServer::addressBook() const {
    return root().resolved(QUrl(kind_ == Kind::Radicale ? QStringLiteral("/alice/%1/").arg(firstAddressBook_)
                                                        : QStringLiteral("/user/contacts/addressbook/")));
}

QString DavServer::user() const {
    return kind_ == Kind::Radicale ? QStringLiteral("alice") : QString();
}

QString DavServer::password() const {
    return kind_ == Kind::Radicale ? QStringLiteral("pw") : QString();
}

} // namespace testsupport
