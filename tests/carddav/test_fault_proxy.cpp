// The fault proxy on its own, spoken to in raw HTTP so that nothing between hides what it does.
#include "tests/support/DavServer.h"
#include "tests/support/FaultProxy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

namespace testsupport {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Fault = FaultProxy::Fault;

// Everything the proxy sends back until it closes the connection.
std::string exchange(const FaultProxy& proxy, const QByteArray& method, const QByteArray& path,
                     const QByteArray& body = {}) {
    QTcpSocket socket;
    QByteArray received;
    QEventLoop loop;
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] {
        socket.write(
            method + " " + path +
            " HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Basic YWxpY2U6cHc=\r\nConnection: keep-alive\r\n"
            "Content-Type: text/vcard\r\nContent-Length: " +
            QByteArray::number(body.size()) + "\r\n\r\n" + body);
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] { received += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    socket.connectToHost(QHostAddress::LocalHost, proxy.port());
    loop.exec();
    return received.toStdString();
}

class FaultProxyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = DavServer::start(DavServer::Kind::Radicale).release(); }
    static void TearDownTestSuite() { delete server; }

    static inline DavServer* server = nullptr;
    FaultProxy proxy{server->port()};
    const QByteArray book = server->addressBook().path().toUtf8();
    const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\nFN:Proxy\r\nEND:VCARD\r\n";
};

TEST_F(FaultProxyTest, PassesAnswersOnAndClosesAfterEach) {
    const std::string answer = exchange(proxy, "PROPFIND", book);
    EXPECT_THAT(answer, StartsWith("HTTP/1.0 207"));
    EXPECT_THAT(answer, HasSubstr("\r\nConnection: close\r\n"));
    EXPECT_THAT(answer, EndsWith("</multistatus>"));
    ASSERT_EQ(proxy.seen().size(), 1);
    EXPECT_EQ(proxy.seen()[0].method, "PROPFIND");
    EXPECT_EQ(proxy.seen()[0].target, book);
    EXPECT_TRUE(proxy.seen()[0].authorization);
}

TEST_F(FaultProxyTest, CutsAnAnswerAfterTheBytesAsked) {
    const std::string whole = exchange(proxy, "PROPFIND", book);
    proxy.inject(Fault::cut("PROPFIND", 100));
    EXPECT_EQ(exchange(proxy, "PROPFIND", book), whole.substr(0, 100));
    EXPECT_EQ(exchange(proxy, "PROPFIND", book), whole); // once only
}

TEST_F(FaultProxyTest, AnswersFiveHundredAfterTheServerDidIt) {
    proxy.inject(Fault::serverErrorAfterApplying("PUT"));
    EXPECT_THAT(exchange(proxy, "PUT", book + "applied.vcf", card), StartsWith("HTTP/1.1 500 "));
    const std::string stored = exchange(proxy, "GET", book + "applied.vcf");
    EXPECT_THAT(stored, StartsWith("HTTP/1.0 200"));
    EXPECT_THAT(stored, HasSubstr("FN:Proxy"));
}

TEST_F(FaultProxyTest, DelaysAndAnswersByItself) {
    proxy.inject(Fault::delayed({}, std::chrono::milliseconds(400)));
    QElapsedTimer clock;
    clock.start();
    EXPECT_THAT(exchange(proxy, "PROPFIND", book), StartsWith("HTTP/1.0 207"));
    EXPECT_GE(clock.elapsed(), 400);

    proxy.inject(Fault::answer("PROPFIND", 301, "/elsewhere/").repeated(2));
    for (int i = 0; i < 2; ++i) {
        EXPECT_THAT(exchange(proxy, "PROPFIND", book),
                    StartsWith("HTTP/1.1 301 Fault\r\nLocation: /elsewhere/\r\n"));
    }
    EXPECT_EQ(proxy.seen().size(), 3);
    EXPECT_THAT(exchange(proxy, "PROPFIND", book), StartsWith("HTTP/1.0 207"));
}

} // namespace
} // namespace testsupport
