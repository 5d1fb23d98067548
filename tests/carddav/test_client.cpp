// The client and discovery against real servers (Radicale 3 and Xandikos on 127.0.0.1), and through the
// fault proxy. One server of each kind for the whole program; every test works on cards of its own.
#include "Await.h"
#include "tests/support/DavServer.h"
#include "tests/support/FaultProxy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <map>

namespace carddav {
namespace {

using namespace carddav::testing;
using cardsync::Response;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using testsupport::DavServer;
using testsupport::FaultProxy;
using Fault = FaultProxy::Fault;

// Started at the first use and killed at the end of the program.
class Servers : public ::testing::Environment {
public:
    static DavServer& get(DavServer::Kind kind) {
        std::unique_ptr<DavServer>& server = running()[kind];
        if (!server) {
            DavServer::Options options;
            options.addressBooks.emplace_back(QStringLiteral("work"), QStringLiteral("Arbeit"));
            server = DavServer::start(kind, options);
        }
        return *server;
    }
    void TearDown() override { running().clear(); }

private:
    static std::map<DavServer::Kind, std::unique_ptr<DavServer>>& running() {
        static std::map<DavServer::Kind, std::unique_ptr<DavServer>> servers;
        return servers;
    }
};
const auto* const servers = ::testing::AddGlobalTestEnvironment(new Servers);

class ServerTest : public ::testing::TestWithParam<DavServer::Kind> {
protected:
    DavServer& server = Servers::get(GetParam());

    Account account(const QUrl& book) const {
        Account account;
        account.serverUrl = book;
        account.addressBookUrl = book;
        account.user = server.user();
        return account;
    }
    std::unique_ptr<Client> client(const QUrl& book) const {
        return std::make_unique<Client>(account(book), server.password());
    }
    std::unique_ptr<Client> client() const { return client(server.addressBook()); }

    struct Stored {
        std::string href;
        std::string etag;
        std::string uid;
    };
    // A new card on the server.
    Stored put(Client& to, const std::string& name) {
        const std::string uid = newUid();
        const std::string href = to.collectionPath() + uid + ".vcf";
        const Response created = answerOf(run(to, creating(href, vcard(uid, name))));
        EXPECT_EQ(created.outcome, Response::Outcome::Done);
        return {href, created.etag.empty() ? etagOf(to, href) : created.etag, uid};
    }

    static std::string etagOf(Client& client, const std::string& href) {
        const Response fetched = answerOf(run(client, fetching({href})));
        return fetched.fetched.empty() ? std::string() : fetched.fetched.front().etag;
    }
};

auto version(const std::string& href, const std::string& etag) {
    return AllOf(Field(&cardsync::CardVersion::href, href), Field(&cardsync::CardVersion::etag, etag));
}

TEST_P(ServerTest, DiscoveryFindsTheAddressBooksFromTheServersRoot) {
    Account at = account({});
    at.serverUrl = Discovery::urlFromInput(QStringLiteral("127.0.0.1:%1").arg(server.port()));
    const QList<AddressBook> found = answerOf(discover(at, server.password()));
    if (server.kind() == DavServer::Kind::Radicale) { // its well-known URL answers 301
        EXPECT_THAT(found, ElementsAre(AddressBook{server.addressBook(), QStringLiteral("Kontakte")},
                                       AddressBook{server.root().resolved(QUrl("/alice/work/")),
                                                   QStringLiteral("Arbeit")}));
    } else {
        EXPECT_THAT(found, ElementsAre(AddressBook{server.addressBook(), QStringLiteral("addressbook")}));
    }
}

TEST_P(ServerTest, DiscoveryTakesAnAddressBookTypedDirectly) {
    const QList<AddressBook> found = answerOf(discover(account(server.addressBook()), server.password()));
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found.front().url, server.addressBook());
}

TEST_P(ServerTest, ACardGoesUpOnceAndComesBackByItsHref) {
    const std::unique_ptr<Client> book = client();
    const std::string uid = newUid();
    const std::string href = book->collectionPath() + uid + ".vcf";
    const std::string card = vcard(uid, "Jürgen Ärger");
    const Response created = answerOf(run(*book, creating(href, card)));
    EXPECT_EQ(created.outcome, Response::Outcome::Done);

    // A retried create can never make a second card.
    EXPECT_EQ(answerOf(run(*book, creating(href, card))).outcome, Response::Outcome::PreconditionFailed);

    const Response listed = answerOf(run(*book, listing()));
    EXPECT_TRUE(listed.complete);
    EXPECT_THAT(listed.cards, Contains(Field(&cardsync::CardVersion::href, href)));
    EXPECT_THAT(listed.cards, Not(Contains(Field(&cardsync::CardVersion::href, book->collectionPath()))));
    const std::string etag = etagOf(*book, href);
    if (!created.etag.empty()) {
        EXPECT_EQ(created.etag, etag);
    }
    EXPECT_THAT(listed.cards, Contains(version(href, etag)));

    // The href asked for comes back as asked, whatever its encoding; a missing one does not come back.
    const std::string encoded = book->collectionPath() +
                                QUrl::toPercentEncoding(QString::fromStdString(uid), "", "-").toStdString() +
                                ".vcf";
    const Response fetched =
        answerOf(run(*book, fetching({book->collectionPath() + "missing.vcf", encoded})));
    ASSERT_EQ(fetched.fetched.size(), 1u);
    EXPECT_EQ(fetched.fetched[0].href, encoded);
    EXPECT_EQ(fetched.fetched[0].etag, etag);
    EXPECT_THAT(fetched.fetched[0].vcard, HasSubstr("FN:Jürgen Ärger"));
}

TEST_P(ServerTest, ADeltaListsWhatChangedSinceItsToken) {
    const std::unique_ptr<Client> book = client();
    const Stored kept = put(*book, "Kept");
    const Stored changed = put(*book, "Changed");
    const Stored removed = put(*book, "Removed");
    const Response before = answerOf(run(*book, listing()));
    ASSERT_FALSE(before.syncToken.empty());

    const Response update =
        answerOf(run(*book, updating(changed.href, changed.etag, vcard(changed.uid, "Changed Again"))));
    EXPECT_EQ(update.outcome, Response::Outcome::Done);
    EXPECT_EQ(answerOf(run(*book, removing(removed.href, removed.etag))).outcome, Response::Outcome::Done);
    const std::string newEtag = update.etag.empty() ? etagOf(*book, changed.href) : update.etag;
    EXPECT_NE(newEtag, changed.etag);

    const Response delta = answerOf(run(*book, listing(before.syncToken)));
    EXPECT_FALSE(delta.complete);
    EXPECT_THAT(delta.cards, ElementsAre(version(changed.href, newEtag)));
    EXPECT_THAT(delta.removed, ElementsAre(removed.href));
    EXPECT_NE(delta.syncToken, before.syncToken);

    const Response nothing = answerOf(run(*book, listing(delta.syncToken)));
    EXPECT_THAT(nothing.cards, IsEmpty());
    EXPECT_THAT(nothing.removed, IsEmpty());
    (void)kept;
}

TEST_P(ServerTest, ATokenTheServerDoesNotKnowAsksForAWholeListing) {
    const std::unique_ptr<Client> book = client();
    const Response listed = answerOf(run(*book, listing()));
    std::string token = listed.syncToken;
    token.back() = token.back() == '0' ? '1' : '0';
    EXPECT_EQ(answerOf(run(*book, listing(token))).outcome, Response::Outcome::TokenInvalid);
}

TEST_P(ServerTest, StaleEtagsAndGoneCardsAreToldApart) {
    const std::unique_ptr<Client> book = client();
    const Stored card = put(*book, "Stale");
    const Response update = answerOf(run(*book, updating(card.href, card.etag, vcard(card.uid, "Fresh"))));
    ASSERT_EQ(update.outcome, Response::Outcome::Done);

    EXPECT_EQ(answerOf(run(*book, updating(card.href, card.etag, vcard(card.uid, "Lost")))).outcome,
              Response::Outcome::PreconditionFailed);
    EXPECT_EQ(answerOf(run(*book, removing(card.href, card.etag))).outcome,
              Response::Outcome::PreconditionFailed);
    EXPECT_EQ(answerOf(run(*book, removing(card.href, etagOf(*book, card.href)))).outcome,
              Response::Outcome::Done);
    EXPECT_EQ(answerOf(run(*book, removing(card.href, card.etag))).outcome, Response::Outcome::NotFound);
    EXPECT_THAT(answerOf(run(*book, fetching({card.href}))).fetched, IsEmpty());
}

TEST_P(ServerTest, ManyCardsAreFetchedInBatches) {
    const std::unique_ptr<Client> direct = client();
    const Stored first = put(*direct, "First");
    const Stored last = put(*direct, "Last");
    FaultProxy proxy(server.port());
    const std::unique_ptr<Client> book = client(proxy.url(server.addressBook().path()));
    std::vector<std::string> hrefs{first.href};
    for (std::size_t i = 0; i < 2 * Client::FetchBatch; ++i) {
        hrefs.push_back(book->collectionPath() + "missing-" + std::to_string(i) + ".vcf");
    }
    hrefs.push_back(last.href);

    const Response fetched = answerOf(run(*book, fetching(hrefs)));
    ASSERT_EQ(fetched.fetched.size(), 2u);
    EXPECT_EQ(fetched.fetched[0].href, first.href);
    EXPECT_EQ(fetched.fetched[1].href, last.href);
    EXPECT_EQ(proxy.seen().size(), 3);
}

TEST_P(ServerTest, AServerThatRefusesSyncCollectionIsListedByPropfind) {
    const std::unique_ptr<Client> direct = client();
    const Stored card = put(*direct, "Listed");
    FaultProxy proxy(server.port());
    proxy.inject(Fault::answer("REPORT", 501));
    const std::unique_ptr<Client> book = client(proxy.url(server.addressBook().path()));
    const Response listed = answerOf(run(*book, listing()));
    EXPECT_TRUE(listed.complete);
    EXPECT_TRUE(listed.syncToken.empty());
    EXPECT_THAT(listed.cards, Contains(version(card.href, card.etag)));
    EXPECT_THAT(listed.cards, Not(Contains(Field(&cardsync::CardVersion::href, HasSubstr("/work/")))));
}

// Qt sends a request again by itself when a connection breaks while the answer is read (twice at most);
// whatever comes of it, a listing is right or a failure, never a part of one.
TEST_P(ServerTest, AnAnswerCutShortIsNeverTakenForAWholeOne) {
    put(*client(), "Cut");
    FaultProxy proxy(server.port());
    const std::unique_ptr<Client> book = client(proxy.url(server.addressBook().path()));
    const Response whole = answerOf(run(*book, listing()));
    ASSERT_FALSE(whole.cards.empty());
    for (const qint64 cutAfter : {150, 250, 400}) {
        proxy.inject(Fault::cut("REPORT", cutAfter));
        const auto once = run(*book, listing());
        if (const Response* listed = std::get_if<Response>(&once)) {
            EXPECT_EQ(listed->cards.size(), whole.cards.size()) << "cut after " << cutAfter;
        } else {
            EXPECT_THAT(failureOf(once).kind,
                        ::testing::AnyOf(Failure::Kind::Network, Failure::Kind::Malformed));
        }
    }
    proxy.inject(Fault::cut("REPORT", 250).repeated(3));
    EXPECT_THAT(failureOf(run(*book, listing())).kind,
                ::testing::AnyOf(Failure::Kind::Network, Failure::Kind::Malformed));
    proxy.clearFaults();
    EXPECT_EQ(answerOf(run(*book, listing())).cards.size(), whole.cards.size());
}

TEST_P(ServerTest, AnErrorAfterThePutWasDoneLeavesOneCard) {
    FaultProxy proxy(server.port());
    const std::unique_ptr<Client> book = client(proxy.url(server.addressBook().path()));
    proxy.inject(Fault::serverErrorAfterApplying("PUT"));
    const std::string href = book->collectionPath() + newUid() + ".vcf";
    const std::string card = vcard(newUid(), "Twice");
    const Failure failure = failureOf(run(*book, creating(href, card)));
    EXPECT_EQ(failure.kind, Failure::Kind::Server);
    EXPECT_EQ(failure.status, 500);
    EXPECT_EQ(answerOf(run(*book, creating(href, card))).outcome, Response::Outcome::PreconditionFailed);
    EXPECT_EQ(answerOf(run(*book, fetching({href}))).fetched.size(), 1u);
}

TEST_P(ServerTest, ASlowServerTimesOutAndARequestCanBeCancelled) {
    FaultProxy proxy(server.port());
    const std::unique_ptr<Client> book = client(proxy.url(server.addressBook().path()));
    book->setTimeout(std::chrono::milliseconds(300));
    proxy.inject(Fault::delayed({}, std::chrono::milliseconds(3000)));
    QElapsedTimer clock;
    clock.start();
    const Failure late = failureOf(run(*book, listing()));
    EXPECT_EQ(late.kind, Failure::Kind::Network);
    EXPECT_THAT(late.message.toStdString(), HasSubstr("did not answer within"));
    EXPECT_LT(clock.elapsed(), 2500);

    proxy.inject(Fault::delayed({}, std::chrono::milliseconds(3000)));
    book->setTimeout(std::chrono::seconds(10));
    QTimer::singleShot(100, book.get(), &Client::cancel);
    EXPECT_EQ(failureOf(run(*book, listing())).kind, Failure::Kind::Cancelled);
}

TEST_P(ServerTest, RedirectsKeepTheMethodUpToALimit) {
    FaultProxy proxy(server.port());
    const QString path = server.addressBook().path();
    proxy.inject(Fault::answer("PROPFIND", 302, path.toUtf8()));
    proxy.inject(Fault::answer("REPORT", 307, path.toUtf8()));
    const std::unique_ptr<Client> book = client(proxy.url(path));
    EXPECT_EQ(answerOf(run(*book, listing())).outcome, Response::Outcome::Done);
    ASSERT_EQ(proxy.seen().size(), 4);
    EXPECT_EQ(proxy.seen()[1].method, "PROPFIND");
    EXPECT_EQ(proxy.seen()[3].method, "REPORT");

    proxy.inject(Fault::answer({}, 301, "/elsewhere/").repeated(100));
    const Failure loop = failureOf(run(*book, listing()));
    EXPECT_EQ(loop.kind, Failure::Kind::Refused);
    EXPECT_THAT(loop.message.toStdString(), HasSubstr("redirected more than"));
}

INSTANTIATE_TEST_SUITE_P(Server, ServerTest,
                         ::testing::Values(DavServer::Kind::Radicale, DavServer::Kind::Xandikos),
                         [](const ::testing::TestParamInfo<DavServer::Kind>& info) {
                             return info.param == DavServer::Kind::Radicale ? "Radicale" : "Xandikos";
                         });

class RadicaleTest : public ServerTest {};

TEST_P(RadicaleTest, AWrongPasswordIsAnAuthenticationFailure) {
    Client book(account(server.addressBook()), QStringLiteral("wrong"));
    const Failure failure = failureOf(run(book, listing()));
    EXPECT_EQ(failure.kind, Failure::Kind::Authentication);
    EXPECT_THAT(failure.message.toStdString(), Not(HasSubstr("wrong")));
}

// 127.0.0.1 redirects to localhost: another host, so the password stays behind.
TEST_P(RadicaleTest, CredentialsDoNotFollowARedirectToAnotherHost) {
    FaultProxy first(server.port());
    FaultProxy second(server.port());
    first.inject(
        Fault::answer("PROPFIND", 301, QStringLiteral("http://localhost:%1/").arg(second.port()).toUtf8()));
    Account at = account({});
    at.serverUrl = first.url(QStringLiteral("/"));
    const Failure failure = failureOf(discover(at, server.password()));
    EXPECT_EQ(failure.kind, Failure::Kind::Authentication);
    EXPECT_THAT(failure.message.toStdString(), HasSubstr("sent only to the account's own server"));
    ASSERT_FALSE(second.seen().isEmpty());
    EXPECT_TRUE(first.seen().front().authorization);
    EXPECT_FALSE(second.seen().front().authorization);
}

INSTANTIATE_TEST_SUITE_P(Server, RadicaleTest, ::testing::Values(DavServer::Kind::Radicale),
                         [](const ::testing::TestParamInfo<DavServer::Kind>&) { return "Radicale"; });

// Never a real connection: the rules refuse before anything is sent.
TEST(TransportTest, PlainHttpToAnotherMachineIsRefusedUnlessConfirmed) {
    Account account;
    account.serverUrl = QUrl("http://dav.example.org/dav/");
    account.addressBookUrl = account.serverUrl;
    account.user = QStringLiteral("alice");
    Client client(account, QStringLiteral("pw"));
    const Failure failure = failureOf(run(client, listing()));
    EXPECT_EQ(failure.kind, Failure::Kind::PlainHttp);
    EXPECT_THAT(failure.message.toStdString(), HasSubstr("plain http"));

    Discovery discovery(account, QStringLiteral("pw"));
    EXPECT_EQ(failureOf(await(discovery, &Discovery::found, [&] { discovery.start(); })).kind,
              Failure::Kind::PlainHttp);
}

} // namespace
} // namespace carddav
