#include "TenThousandCards.h"

#include <QEventLoop>

#include <memory>
#include <stdexcept>

namespace benchcards {

std::string card(int i) {
    const std::string n = std::to_string(i);
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-" + n + "\r\nFN:Vorname" + n + " Nachname" + n +
           "\r\nN:Nachname" + n + ";Vorname" + n + ";;;\r\nNICKNAME:Spitz" + n + "\r\nTEL;TYPE=HOME:+49 30 " +
           n + "\r\nTEL;TYPE=FAX:+49 30 9" + n + "\r\nEMAIL:person" + n +
           "@example.org\r\nADR;TYPE=HOME:;;Hauptstraße " + n + ";Berlin;;10115;Deutschland\r\nNOTE:Notiz " +
           n + "\r\nEND:VCARD\r\n";
}

testsupport::DavServer& server() {
    static const std::unique_ptr<testsupport::DavServer> running = [] {
        testsupport::DavServer::Options options;
        for (int i = 0; i < Cards; ++i) {
            options.cards.push_back({"card-" + std::to_string(i) + ".vcf", card(i)});
        }
        std::unique_ptr<testsupport::DavServer> started =
            testsupport::DavServer::start(testsupport::DavServer::Kind::Radicale, options);
        carddav::Client client({started->root(), started->user(), started->addressBook(), {}, false},
                               started->password());
        client.setTimeout(std::chrono::minutes(10));
        send(client, {});
        return started;
    }();
    return *running;
}

carddav::Account account() {
    return {server().root(), server().user(), server().addressBook(), {}, false};
}

cardsync::Response send(carddav::Client& client, cardsync::Request request) {
    cardsync::Response response;
    QString failure;
    QEventLoop loop;
    QObject::connect(&client, &carddav::Client::finished, &loop, [&](const cardsync::Response& answer) {
        response = answer;
        loop.quit();
    });
    QObject::connect(&client, &carddav::Client::failed, &loop, [&](const carddav::Failure& failed) {
        failure = failed.message;
        loop.quit();
    });
    client.start(std::move(request));
    loop.exec();
    if (!failure.isEmpty()) {
        throw std::runtime_error(failure.toStdString());
    }
    return response;
}

} // namespace benchcards
