#include "Rendezvous.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace instance {

namespace {

constexpr quint32 RequestMark = 0x4e57'0001; // "NW", the first version of the request
constexpr char Taken = 'y';
// The lock is held only while a start finds or becomes the listener.
constexpr int LockWaitMs = 10'000;
constexpr int ConnectMs = 2'000;
// A window that loads a long list answers once its event loop turns; one that does not answer by then
// hangs, and the new start takes its place.
constexpr int AnswerMs = 5'000;

QString userName() {
    const QString name = qEnvironmentVariable("USER");
    return name.isEmpty() ? qEnvironmentVariable("USERNAME") : name;
}

// The same for every start of one user's copy in one folder, however the folder was named.
QString rendezvousName(const std::filesystem::path& programFolder) {
    std::error_code ignored;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(programFolder, ignored);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(userName().toUtf8());
    hash.addData(QByteArrayView("\n", 1));
    hash.addData(QByteArray::fromStdString(canonical.string()));
    return QStringLiteral("numberwell-") + QString::fromLatin1(hash.result().toHex().left(24));
}

} // namespace

Rendezvous::Rendezvous(const std::filesystem::path& programFolder, QObject* parent) : QObject(parent) {
    const QString name = rendezvousName(programFolder);
#ifdef Q_OS_WIN
    name_ = name; // a pipe of the session's namespace
    lockFile_ = QDir::temp().filePath(name + QStringLiteral(".lock"));
#else
    // The user's own runtime folder, which no one else may enter.
    const QDir runtime(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
    name_ = runtime.filePath(name + QStringLiteral(".socket"));
    lockFile_ = runtime.filePath(name + QStringLiteral(".lock"));
#endif
    connect(&server_, &QLocalServer::newConnection, this, &Rendezvous::accept);
}

bool Rendezvous::handOver(const OpenRequest& request) {
    QLockFile lock(lockFile_);
    lock.tryLock(LockWaitMs); // without it, at worst two windows: better than none
    if (sendTo(request)) {
        return true;
    }
    listen();
    return false;
}

bool Rendezvous::sendTo(const OpenRequest& request) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(ConnectMs)) {
        return false;
    }
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << RequestMark << request.contacts << request.startupId;
    socket.write(message);
    if (!socket.waitForBytesWritten(AnswerMs)) {
        return false;
    }
    while (socket.bytesAvailable() == 0) {
        if (!socket.waitForReadyRead(AnswerMs)) {
            return false;
        }
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == Taken;
}

void Rendezvous::listen() {
    QLocalServer::removeServer(name_); // nobody answered there
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(name_); // where it cannot, every start is a window of its own, as before
}

void Rendezvous::accept() {
    while (QLocalSocket* const socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            quint32 mark = 0;
            OpenRequest request;
            in >> mark >> request.contacts >> request.startupId;
            if (!in.commitTransaction()) {
                return; // more to come
            }
            if (mark != RequestMark) {
                socket->abort();
                return;
            }
            socket->putChar(Taken);
            socket->flush();
            socket->disconnectFromServer();
            emit requested(request);
        });
    }
}

} // namespace instance
