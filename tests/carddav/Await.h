#pragma once

#include "carddav/Client.h"
#include "carddav/Discovery.h"

#include <QEventLoop>
#include <QTimer>
#include <QUuid>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <variant>

// Runs the event loop until a request of the client or a discovery has its answer; a test that waits
// longer than a few seconds has failed.
namespace carddav::testing {

inline constexpr int AnswerMilliseconds = 10000;

template <typename Answer> using Outcome = std::variant<std::monostate, Answer, Failure>;

template <typename Object, typename Answer>
Outcome<Answer> await(Object& object, void (Object::*answerSignal)(const Answer&),
                      const std::function<void()>& start) {
    Outcome<Answer> outcome;
    QEventLoop loop;
    QObject::connect(&object, answerSignal, &loop, [&](const Answer& answer) {
        outcome = answer;
        loop.quit();
    });
    QObject::connect(&object, &Object::failed, &loop, [&](const Failure& failure) {
        outcome = failure;
        loop.quit();
    });
    QTimer::singleShot(AnswerMilliseconds, &loop, &QEventLoop::quit);
    start();
    loop.exec();
    return outcome;
}

inline Outcome<cardsync::Response> run(Client& client, cardsync::Request request) {
    return await(client, &Client::finished, [&] { client.start(std::move(request)); });
}

inline Outcome<QList<AddressBook>> discover(const Account& account, const QString& password) {
    Discovery discovery(account, password);
    return await(discovery, &Discovery::found, [&] { discovery.start(); });
}

// The answer, or a test failure that says what came instead.
template <typename Answer> Answer answerOf(const Outcome<Answer>& outcome) {
    if (const Failure* failure = std::get_if<Failure>(&outcome)) {
        ADD_FAILURE() << "failed: " << failure->message.toStdString();
    } else if (std::holds_alternative<std::monostate>(outcome)) {
        ADD_FAILURE() << "no answer within " << AnswerMilliseconds << " ms";
    } else {
        return std::get<Answer>(outcome);
    }
    return {};
}

inline Failure failureOf(const auto& outcome) {
    if (const Failure* failure = std::get_if<Failure>(&outcome)) {
        return *failure;
    }
    ADD_FAILURE() << (std::holds_alternative<std::monostate>(outcome) ? "no answer"
                                                                      : "an answer instead of a failure");
    return {};
}

inline std::string newUid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
}

inline std::string vcard(const std::string& uid, const std::string& name) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name +
           ";;;;\r\nEND:VCARD\r\n";
}

inline cardsync::Request listing(std::string token = {}) {
    cardsync::Request request;
    request.kind = cardsync::Request::Kind::List;
    request.syncToken = std::move(token);
    return request;
}

inline cardsync::Request fetching(std::vector<std::string> hrefs) {
    cardsync::Request request;
    request.kind = cardsync::Request::Kind::Fetch;
    request.hrefs = std::move(hrefs);
    return request;
}

// Create, Update or Remove.
inline cardsync::Request changing(cardsync::Request::Kind kind, std::string href, std::string etag,
                                  std::string card = {}) {
    cardsync::Request request;
    request.kind = kind;
    request.href = std::move(href);
    request.etag = std::move(etag);
    request.vcard = std::move(card);
    return request;
}

inline cardsync::Request creating(std::string href, std::string card) {
    return changing(cardsync::Request::Kind::Create, std::move(href), {}, std::move(card));
}

inline cardsync::Request updating(std::string href, std::string etag, std::string card) {
    return changing(cardsync::Request::Kind::Update, std::move(href), std::move(etag), std::move(card));
}

inline cardsync::Request removing(std::string href, std::string etag) {
    return changing(cardsync::Request::Kind::Remove, std::move(href), std::move(etag));
}

} // namespace carddav::testing
