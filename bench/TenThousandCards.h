#pragma once

#include "carddav/Client.h"
#include "tests/support/DavServer.h"

#include <string>

// The address book the CardDAV benchmarks share: 10,000 cards in a Radicale of the benchmark's own on
// 127.0.0.1, put into its storage before it starts.
namespace benchcards {

inline constexpr int Cards = 10'000;

// Card i: name, nickname, two numbers, e-mail, address and note.
std::string card(int i);

// Started at the first call, and listed once: Radicale reads and hashes every card at its first listing
// after its start, its own cost once, which no benchmark is to measure.
testsupport::DavServer& server();
carddav::Account account();

// The answer, from the event loop; a failure is raised.
cardsync::Response send(carddav::Client& client, cardsync::Request request);

} // namespace benchcards
