#include "tests/support/FaultProxy.h"

#include <QTcpSocket>
#include <QTimer>

#include <stdexcept>

namespace testsupport {
namespace {

constexpr QByteArrayView HeadEnd = "\r\n\r\n";

// The head with its Connection headers replaced by "Connection: close".
QByteArray closingHead(const QByteArray& head) {
    QByteArray result;
    for (const QByteArray& line : head.split('\n')) {
        const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
        if (line.trimmed().isEmpty() || name == "connection" || name == "keep-alive" ||
            name == "proxy-connection") {
            continue;
        }
        result += line.trimmed() + "\r\n";
    }
    return result + "Connection: close\r\n\r\n";
}

qint64 contentLength(const QByteArray& head) {
    for (const QByteArray& line : head.split('\n')) {
        if (line.toLower().startsWith("content-length:")) {
            return line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return 0;
}

bool hasHeader(const QByteArray& head, QByteArrayView name) {
    for (const QByteArray& line : head.split('\n')) {
        if (line.toLower().startsWith(QByteArray(name.data(), name.size()) + ':')) {
            return true;
        }
    }
    return false;
}

} // namespace

// One request from the client and its answer.
class FaultProxy::Exchange : public QObject {
public:
    Exchange(FaultProxy& proxy, QTcpSocket* client) : QObject(&proxy), proxy_(proxy), client_(client) {
        client_->setParent(this);
        connect(client_, &QTcpSocket::readyRead, this, &Exchange::readRequest);
        connect(client_, &QTcpSocket::disconnected, this, &Exchange::end);
    }

private:
    void readRequest() {
        request_ += client_->readAll();
        const qsizetype headEnd = request_.indexOf(HeadEnd);
        if (handled_ || headEnd < 0 ||
            request_.size() < headEnd + 4 + contentLength(request_.left(headEnd))) {
            return;
        }
        handled_ = true;
        const QByteArray head = request_.left(headEnd);
        const QList<QByteArray> requestLine = head.left(head.indexOf('\r')).split(' ');
        const QByteArray method = requestLine.value(0);
        proxy_.seen_.append({method, requestLine.value(1), hasHeader(head, "authorization")});
        fault_ = proxy_.takeFault(method);
        if (fault_ && fault_->kind == Fault::Kind::Answer) {
            const QByteArray location =
                fault_->location.isEmpty() ? QByteArray() : "Location: " + fault_->location + "\r\n";
            answerClient("HTTP/1.1 " + QByteArray::number(fault_->status) + " Fault\r\n" + location +
                         "Content-Length: 0\r\nConnection: close\r\n\r\n");
            return;
        }
        upstream_ = new QTcpSocket(this);
        connect(upstream_, &QTcpSocket::connected, this, [this, head] {
            upstream_->write(closingHead(head) + request_.mid(request_.indexOf(HeadEnd) + 4));
        });
        connect(upstream_, &QTcpSocket::readyRead, this, &Exchange::readAnswer);
        connect(upstream_, &QTcpSocket::disconnected, this, &Exchange::answerComplete);
        upstream_->connectToHost(QHostAddress::LocalHost, proxy_.serverPort_);
    }

    void readAnswer() {
        answer_ += upstream_->readAll();
        if (!headRewritten_) {
            const qsizetype headEnd = answer_.indexOf(HeadEnd);
            if (headEnd < 0) {
                return;
            }
            answer_ = closingHead(answer_.left(headEnd)) + answer_.mid(headEnd + 4);
            headRewritten_ = true;
        }
        passOn();
    }

    void passOn() {
        if (!fault_) {
            client_->write(std::exchange(answer_, {}));
            return;
        }
        switch (fault_->kind) {
        case Fault::Kind::CutResponse:
            if (sent_ + answer_.size() >= fault_->cutAfter) {
                // The part already read goes out before the connection closes, as when a network fails.
                client_->write(answer_.left(fault_->cutAfter - sent_));
                client_->disconnectFromHost();
                upstream_->disconnect(this);
                upstream_->abort();
                answer_.clear();
                return;
            }
            sent_ += answer_.size();
            client_->write(std::exchange(answer_, {}));
            break;
        case Fault::Kind::Delay:
            if (!delayStarted_) {
                delayStarted_ = true;
                QTimer::singleShot(fault_->delay, this, [this] {
                    fault_.reset();
                    passOn();
                    if (upstreamDone_) {
                        answerComplete();
                    }
                });
            }
            break;
        default:
            break; // ServerErrorAfterApplying: the server's answer is dropped
        }
    }

    void answerComplete() {
        upstreamDone_ = true;
        if (!fault_) {
            answerClient(std::exchange(answer_, {}));
        } else if (fault_->kind == Fault::Kind::ServerErrorAfterApplying) {
            answerClient(
                "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        } else if (fault_->kind == Fault::Kind::CutResponse) {
            client_->disconnectFromHost(); // the answer was shorter than the cut: cut at its end
        }
    }

    void answerClient(const QByteArray& bytes) {
        client_->write(bytes);
        client_->disconnectFromHost(); // after what was written has gone
    }

    void end() {
        if (upstream_) {
            upstream_->abort();
        }
        deleteLater();
    }

    FaultProxy& proxy_;
    QTcpSocket* client_;
    QTcpSocket* upstream_ = nullptr;
    QByteArray request_;
    QByteArray answer_;
    std::optional<Fault> fault_;
    bool handled_ = false;
    bool headRewritten_ = false;
    bool delayStarted_ = false;
    bool upstreamDone_ = false;
    qint64 sent_ = 0;
};

FaultProxy::FaultProxy(quint16 serverPort, QObject* parent) : QObject(parent), serverPort_(serverPort) {
    if (!server_.listen(QHostAddress::LocalHost, 0)) {
        throw std::runtime_error("the fault proxy cannot listen on 127.0.0.1");
    }
    connect(&server_, &QTcpServer::newConnection, this, &FaultProxy::accept);
}

QUrl FaultProxy::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}

void FaultProxy::accept() {
    while (QTcpSocket* client = server_.nextPendingConnection()) {
        new Exchange(*this, client);
    }
}

std::optional<FaultProxy::Fault> FaultProxy::takeFault(const QByteArray& method) {
    for (auto fault = faults_.begin(); fault != faults_.end(); ++fault) {
        if (fault->method.isEmpty() || fault->method == method) {
            Fault taken = *fault;
            if (--fault->times <= 0) {
                faults_.erase(fault);
            }
            return taken;
        }
    }
    return std::nullopt;
}

} // namespace testsupport
