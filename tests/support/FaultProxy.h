#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

#include <chrono>
#include <deque>
#include <optional>

// Stands between a client and an HTTP server on 127.0.0.1 and spoils answers on command: it forwards
// each request on a connection of its own (both sides told "Connection: close"), and the faults injected
// apply, in order, to the next requests whose method matches:
//
//     testsupport::FaultProxy proxy(server->port());
//     proxy.inject(testsupport::FaultProxy::Fault::serverErrorAfterApplying("PUT"));
//     // a client of proxy.url("/alice/contacts/") now gets 500 for its next PUT, which the server did
//
// Lives in the test's thread: the event loop must run (QSignalSpy::wait, or QProcess's signals while
// the real program runs against it).
namespace testsupport {

class FaultProxy : public QObject {
    Q_OBJECT
public:
    struct Fault {
        enum class Kind {
            CutResponse,              // pass on cutAfter bytes of the answer (head included), then cut
            ServerErrorAfterApplying, // let the server do it, then answer 500 instead
            Delay,                    // hold the answer back for delay
            Answer,                   // answer status (and Location: location) without asking the server
        };
        Kind kind = Kind::CutResponse;
        QByteArray method; // "PUT", "REPORT", ...; empty for any request
        qint64 cutAfter = 0;
        std::chrono::milliseconds delay{0};
        int status = 500;
        QByteArray location;
        int times = 1; // how many matching requests it spoils

        static Fault cut(QByteArray method, qint64 afterBytes) {
            Fault fault = of(Kind::CutResponse, std::move(method));
            fault.cutAfter = afterBytes;
            return fault;
        }
        static Fault serverErrorAfterApplying(QByteArray method) {
            return of(Kind::ServerErrorAfterApplying, std::move(method));
        }
        static Fault delayed(QByteArray method, std::chrono::milliseconds delay) {
            Fault fault = of(Kind::Delay, std::move(method));
            fault.delay = delay;
            return fault;
        }
        static Fault answer(QByteArray method, int status, QByteArray location = {}) {
            Fault fault = of(Kind::Answer, std::move(method));
            fault.status = status;
            fault.location = std::move(location);
            return fault;
        }
        Fault repeated(int count) const {
            Fault fault = *this;
            fault.times = count;
            return fault;
        }

    private:
        static Fault of(Kind kind, QByteArray method) {
            Fault fault;
            fault.kind = kind;
            fault.method = std::move(method);
            return fault;
        }
    };

    struct Seen {
        QByteArray method;
        QByteArray target; // as in the request line
        bool authorization = false;
    };

    explicit FaultProxy(quint16 serverPort, QObject* parent = nullptr);

    quint16 port() const { return server_.serverPort(); }
    QUrl url(const QString& path) const; // http://127.0.0.1:PORT + path
    void inject(Fault fault) { faults_.push_back(std::move(fault)); }
    void clearFaults() { faults_.clear(); }
    const QList<Seen>& seen() const { return seen_; }

private:
    class Exchange;
    void accept();
    // The first fault waiting for this method, taken off when it has spoilt its last request.
    std::optional<Fault> takeFault(const QByteArray& method);

    quint16 serverPort_;
    QTcpServer server_;
    std::deque<Fault> faults_;
    QList<Seen> seen_;
};

} // namespace testsupport
