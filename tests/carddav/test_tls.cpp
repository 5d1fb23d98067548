// A home server's own certificate: refused until the user accepts its fingerprint, then pinned, and asked
// about again when it changes. Radicale over TLS with certificates made here by openssl.
#include "Await.h"
#include "tests/support/DavServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QProcess>

namespace carddav {
namespace {

using namespace carddav::testing;
using ::testing::HasSubstr;
using testsupport::DavServer;

struct Certificate {
    QString certificate;
    QString key;
    QString fingerprint; // as openssl shows it
};

QString openssl(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0) {
        ADD_FAILURE() << "openssl " << arguments.join(' ').toStdString() << ": "
                      << process.readAllStandardError().toStdString();
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

Certificate makeCertificate(const std::filesystem::path& folder, const QString& name) {
    const QString base = QString::fromStdString((folder / name.toStdString()).string());
    Certificate made{base + QStringLiteral(".pem"), base + QStringLiteral(".key"), {}};
    openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days",
             "2", "-subj", "/CN=" + name, "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", made.key,
             "-out", made.certificate});
    // "sha256 Fingerprint=AB:CD:..."
    made.fingerprint =
        openssl({"x509", "-noout", "-fingerprint", "-sha256", "-in", made.certificate}).section('=', 1);
    return made;
}

class TlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new testsupport::TempFolder;
        first = makeCertificate(folder->path(), "first");
        second = makeCertificate(folder->path(), "second");
    }
    static void TearDownTestSuite() { delete folder; }

    static std::unique_ptr<DavServer> serverWith(const Certificate& certificate) {
        DavServer::Options options;
        options.certificate = certificate.certificate;
        options.key = certificate.key;
        return DavServer::start(DavServer::Kind::Radicale, options);
    }

    static Account account(const DavServer& server, const QString& pinned) {
        Account account;
        account.serverUrl = server.root();
        account.addressBookUrl = server.addressBook();
        account.user = server.user();
        account.pinnedFingerprint = pinned;
        return account;
    }

    static inline testsupport::TempFolder* folder = nullptr;
    static inline Certificate first;
    static inline Certificate second;
};

TEST_F(TlsTest, AnUnknownCertificateIsUsedOnlyOnceItsFingerprintIsPinned) {
    const std::unique_ptr<DavServer> server = serverWith(first);
    ASSERT_EQ(server->root().scheme(), "https");

    Client refused(account(*server, {}), server->password());
    const Failure unknown = failureOf(run(refused, listing()));
    EXPECT_EQ(unknown.kind, Failure::Kind::UntrustedCertificate);
    EXPECT_EQ(unknown.fingerprint, first.fingerprint);
    EXPECT_FALSE(unknown.certificateChanged);
    EXPECT_THAT(unknown.message.toStdString(), HasSubstr(first.fingerprint.toStdString()));

    Client pinned(account(*server, unknown.fingerprint), server->password());
    EXPECT_EQ(answerOf(run(pinned, listing())).outcome, cardsync::Response::Outcome::Done);
    const QList<AddressBook> found =
        answerOf(discover(account(*server, first.fingerprint.toLower()), server->password()));
    ASSERT_FALSE(found.isEmpty());
    EXPECT_EQ(found.front().url, server->addressBook());
}

TEST_F(TlsTest, AChangedCertificateIsAskedAboutAgain) {
    const std::unique_ptr<DavServer> server = serverWith(second);
    Client client(account(*server, first.fingerprint), server->password());
    const Failure changed = failureOf(run(client, listing()));
    EXPECT_EQ(changed.kind, Failure::Kind::UntrustedCertificate);
    EXPECT_EQ(changed.fingerprint, second.fingerprint);
    EXPECT_TRUE(changed.certificateChanged);
    EXPECT_THAT(changed.message.toStdString(), HasSubstr("has changed"));
}

} // namespace
} // namespace carddav
