// "Synchronise" in the window, driven as a person would against Radicale on 127.0.0.1: the account
// dialog, the address book chosen, a certificate accepted, the selection kept on its record, the mass
// deletion question, Cancel, a second sync refused, and a close while a sync runs.
#include "MainWindowRun.h"
#include "carddav/Client.h"
#include "support/FailOnWarnings.h"
#include "support/ModalDriver.h"
#include "tests/support/DavServer.h"
#include "tests/support/FaultProxy.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

using testsupport::DavServer;
using testsupport::FaultProxy;

// Answers the next account dialog as typed into it; -1: no address book to choose.
void answerAccountDialog(const QString& url, const QString& user, const QString& password, int book = -1) {
    whenModalOpens(
        [=](QWidget* dialog) {
            if (!url.isEmpty()) {
                QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("url")), url);
                QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("user")), user);
            }
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("password")), password);
            if (book >= 0) {
                dialog->findChild<QComboBox*>(QStringLiteral("addressBook"))->setCurrentIndex(book);
            }
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
        },
        10000);
}

// The text of the next message box, answered with the button.
QString answerBox(const QString& button, int timeoutMs = 10000) {
    QString text;
    whenModalOpens(
        [&text, button](QWidget* box) {
            text = static_cast<QMessageBox*>(box)->text();
            for (QAbstractButton* const candidate : box->findChildren<QAbstractButton*>()) {
                if (candidate->text() == button) {
                    QTest::mouseClick(candidate, Qt::LeftButton);
                    return;
                }
            }
        },
        timeoutMs);
    return QTest::qWaitFor([&text] { return !text.isEmpty(); }, timeoutMs) ? text : QString();
}

int cardsIn(const DavServer& server, const char* book) {
    int count = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(server.folder() / "store/collection-root/alice" / book)) {
        count += entry.path().extension() == ".vcf" ? 1 : 0;
    }
    return count;
}

QProgressDialog* progressDialog(TForm1& form) {
    QProgressDialog* dialog = form.findChild<QProgressDialog*>();
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

} // namespace

class SyncWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void firstSyncThroughTheAccountDialogKeepsTheSelection();
    void addressBookChosenAndMassDeletionsAsked();
    void untrustedCertificateAcceptedAndPinned();
    void cancelSecondSyncAndCloseWhileRunning();
};

void SyncWindowTest::firstSyncThroughTheAccountDialogKeepsTheSelection() {
    DavServer::Options options;
    options.cards = {
        {"a.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:a\r\nFN:Abe\r\nN:Aaron;Abe;;;\r\nEND:VCARD\r\n"},
        {"z.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:z\r\nFN:Zed\r\nN:Zander;Zed;;;\r\nEND:VCARD\r\n"}};
    const auto server = DavServer::start(DavServer::Kind::Radicale, options);
    MainWindowRun run;
    run.writeAddresses("Meier|Max|||||\r\nNagel|Nina|||||\r\n");
    TForm1& form = run.start();
    run.press(Qt::Key_Down);
    QCOMPARE(form.currentRecord(), 1);

    answerAccountDialog(QStringLiteral("127.0.0.1:%1").arg(server->port()), "alice", "pw");
    run.press(Qt::Key_F9);
    QCOMPARE(answerBox("OK"), QStringLiteral("2 added here, 2 sent"));
    QCOMPARE(run.recordCount(), 4);
    QCOMPARE(run.cell(0, form.currentRecord()), QStringLiteral("Nagel")); // the record, not its row number
    QCOMPARE(form.currentRecord(), 2);
    QCOMPARE(cardsIn(*server, "contacts"), 4);
    const std::optional<carddav::Account> account = carddav::readAccount(run.settingsFile());
    QVERIFY(account);
    QCOMPARE(account->addressBookUrl, server->addressBook());
    QVERIFY(!run.settings().contains("pw"));
}

// No secret service runs here: the password is asked each time.
void SyncWindowTest::addressBookChosenAndMassDeletionsAsked() {
    DavServer::Options options;
    options.addressBooks.emplace_back(QStringLiteral("work"), QStringLiteral("Arbeit"));
    const auto server = DavServer::start(DavServer::Kind::Radicale, options);
    MainWindowRun run;
    run.writeAddresses("Meier|Max|||||\r\nNagel|Nina|||||\r\n");
    carddav::writeAccount(run.settingsFile(), {server->root(), "alice", {}, {}, false});
    run.start();

    answerAccountDialog({}, {}, "pw");
    run.press(Qt::Key_F9);
    answerAccountDialog({}, {}, {}, 1);
    QCOMPARE(answerBox("OK"), QStringLiteral("2 sent"));
    QCOMPARE(cardsIn(*server, "work"), 2);
    QCOMPARE(carddav::readAccount(run.settingsFile())->addressBookUrl.path(), QStringLiteral("/alice/work/"));

    run.list().remove(1);
    run.list().remove(0);
    answerAccountDialog({}, {}, "pw");
    run.press(Qt::Key_F9);
    QCOMPARE(answerBox("Abbrechen"),
             QStringLiteral("The sync would delete 2 of the 2 cards on the server. Go on?"));
    QTest::qWait(200);
    QCOMPARE(cardsIn(*server, "work"), 2);
}

void SyncWindowTest::untrustedCertificateAcceptedAndPinned() {
    MainWindowRun run;
    const auto openssl = [&run](const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(QString::fromStdString(run.folder().string()));
        process.start(QStringLiteral("openssl"), arguments);
        process.waitForFinished();
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    };
    openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days",
             "2", "-subj", "/CN=home", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", "home.key",
             "-out", "home.pem"});
    const QString fingerprint =
        openssl({"x509", "-noout", "-fingerprint", "-sha256", "-in", "home.pem"}).section('=', 1);
    DavServer::Options options;
    options.certificate = QString::fromStdString((run.folder() / "home.pem").string());
    options.key = QString::fromStdString((run.folder() / "home.key").string());
    const auto server = DavServer::start(DavServer::Kind::Radicale, options);
    run.writeAddresses("Meier|Max|||||\r\n");
    run.start();

    answerAccountDialog(server->root().toString(), "alice", "pw");
    run.press(Qt::Key_F9);
    QVERIFY(answerBox("&Accept").contains(fingerprint));
    QCOMPARE(answerBox("OK"), QStringLiteral("1 sent"));
    QVERIFY(carddav::readAccount(run.settingsFile())
                ->pinnedFingerprint.compare(fingerprint, Qt::CaseInsensitive) == 0);
}

// The window stays usable meanwhile; Cancel stops the sync, and the next one completes it.
void SyncWindowTest::cancelSecondSyncAndCloseWhileRunning() {
    const auto server = DavServer::start(DavServer::Kind::Radicale);
    FaultProxy proxy(server->port());
    MainWindowRun run;
    run.writeAddresses("Meier|Max|||||\r\nNagel|Nina|||||\r\n");
    carddav::writeAccount(run.settingsFile(),
                          {proxy.url("/"), "alice", proxy.url("/alice/contacts/"), {}, false});
    TForm1& form = run.start();

    proxy.inject(FaultProxy::Fault::delayed("REPORT", std::chrono::seconds(20)));
    answerAccountDialog({}, {}, "pw");
    run.press(Qt::Key_F9);
    QTRY_VERIFY_WITH_TIMEOUT(progressDialog(form) != nullptr, 5000);
    QTest::keyClicks(&run.searchBox(), QStringLiteral("n"));
    QCOMPARE(form.currentRecord(), 1);
    clickInNextModal("OK");
    run.choose("Synchronisieren1"); // refused: one at a time
    QTest::mouseClick(progressDialog(form)->findChild<QPushButton*>(), Qt::LeftButton);
    QTRY_VERIFY(progressDialog(form) == nullptr);

    proxy.clearFaults();
    answerAccountDialog({}, {}, "pw");
    run.choose("Synchronisieren1");
    QCOMPARE(answerBox("OK"), QStringLiteral("2 sent"));
    QCOMPARE(cardsIn(*server, "contacts"), 2);

    // Closed while a card from the server is on its way: the sync stops, the list is saved as always.
    carddav::Client phone({server->root(), "alice", server->addressBook(), {}, false}, "pw");
    QSignalSpy put(&phone, &carddav::Client::finished);
    cardsync::Request card;
    card.kind = cardsync::Request::Kind::Create;
    card.href = "/alice/contacts/o.vcf";
    card.vcard = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:o\r\nFN:Otto\r\nN:Ott;Otto;;;\r\nEND:VCARD\r\n";
    phone.start(card);
    QVERIFY(put.wait());
    proxy.inject(FaultProxy::Fault::delayed("PUT", std::chrono::seconds(20)));
    run.list().add(0, book::Record{"Berg", "Bea"});
    const qsizetype before = proxy.seen().size();
    answerAccountDialog({}, {}, "pw");
    run.choose("Synchronisieren1");
    QTRY_VERIFY_WITH_TIMEOUT(proxy.seen().size() > before && proxy.seen().back().method == "PUT", 5000);
    QVERIFY(run.close());
    QCOMPARE(run.addresses(),
             QByteArray("Berg|Bea|||||\r\nMeier|Max|||||\r\nNagel|Nina|||||\r\nOtt|Otto|||||\r\n"));
}

QTEST_MAIN(SyncWindowTest)
#include "test_sync_window.moc"
