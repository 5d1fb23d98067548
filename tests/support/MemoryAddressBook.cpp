#include "MemoryAddressBook.h"

#include "exchange/Text.h"
#include "exchange/VcardLines.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace testsupport {

namespace {

constexpr std::string_view TokenPrefix = "http://memory.test/token/";

// Upper-cased names, BEGIN, VERSION and UID first and the rest sorted by name, folded at 60 octets.
std::string reserialised(std::string_view vcard) {
    exchange::ContentLineReader reader(vcard);
    exchange::PropertyLine property;
    std::vector<std::pair<std::string, std::string>> lines; // name, rest
    bool uid = false;
    bool fn = false;
    while (const auto content = reader.next()) {
        if (!exchange::parsePropertyLine(content->text, property)) {
            continue;
        }
        const std::string name = exchange::lowerAscii(property.name);
        uid = uid || name == "uid";
        fn = fn || name == "fn";
        std::string upper = std::string(property.group.empty() ? "" : std::string(property.group) + ".");
        for (const char c : property.name) {
            upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
        const std::size_t nameEnd = content->text.find_first_of(";:");
        lines.emplace_back(upper, std::string(content->text.substr(nameEnd)));
    }
    if (!uid || !fn) {
        throw std::runtime_error("a card without UID or FN: " + std::string(vcard));
    }
    const auto rank = [](const std::string& name) {
        return name == "BEGIN" ? 0 : name == "VERSION" ? 1 : name == "UID" ? 2 : name == "END" ? 4 : 3;
    };
    std::ranges::stable_sort(lines, [&](const auto& a, const auto& b) {
        return rank(a.first) != rank(b.first) ? rank(a.first) < rank(b.first)
                                              : rank(a.first) == 3 && a.first < b.first;
    });
    std::string out;
    for (const auto& [name, rest] : lines) {
        const std::string whole = name + rest;
        std::string_view line = whole;
        out.append(line.substr(0, 60));
        for (line.remove_prefix(std::min<std::size_t>(60, line.size())); !line.empty();
             line.remove_prefix(std::min<std::size_t>(59, line.size()))) {
            out += "\r\n ";
            out.append(line.substr(0, 59));
        }
        out += "\r\n";
    }
    return out;
}

} // namespace

void MemoryAddressBook::store(const std::string& href, std::string_view vcard) {
    cards_[href] = {"\"" + std::to_string(++etags_) + "\"", reserialised(vcard), ++version_};
    removedAt_.erase(href);
}

void MemoryAddressBook::put(const std::string& href, std::string_view vcard) {
    store(href, vcard);
}

void MemoryAddressBook::remove(const std::string& href) {
    if (cards_.erase(href) > 0) {
        removedAt_[href] = ++version_;
    }
}

std::map<std::string, std::string> MemoryAddressBook::cards() const {
    std::map<std::string, std::string> cards;
    for (const auto& [href, stored] : cards_) {
        cards[href] = stored.vcard;
    }
    return cards;
}

cardsync::Response MemoryAddressBook::handle(const cardsync::Request& request) {
    using Kind = cardsync::Request::Kind;
    using Outcome = cardsync::Response::Outcome;
    cardsync::Response response;
    const auto found = cards_.find(request.href);
    switch (request.kind) {
    case Kind::List: {
        std::uint64_t since = 0;
        if (options_.syncCollection && !request.syncToken.empty()) {
            const std::string_view token = request.syncToken;
            if (!token.starts_with(TokenPrefix)) {
                response.outcome = Outcome::TokenInvalid;
                return response;
            }
            since = std::stoull(std::string(token.substr(TokenPrefix.size())));
            if (since < oldestToken_ || since > version_) {
                response.outcome = Outcome::TokenInvalid;
                return response;
            }
            response.complete = false;
            for (const auto& [href, at] : removedAt_) {
                if (at > since) {
                    response.removed.push_back(href);
                }
            }
        }
        for (const auto& [href, stored] : cards_) {
            if (stored.version > since) {
                response.cards.push_back({href, stored.etag});
            }
        }
        if (options_.syncCollection) {
            response.syncToken = std::string(TokenPrefix) + std::to_string(version_);
        }
        break;
    }
    case Kind::Fetch:
        for (const std::string& href : request.hrefs) {
            if (const auto card = cards_.find(href); card != cards_.end()) {
                response.fetched.push_back({href, card->second.etag, card->second.vcard});
            }
        }
        break;
    case Kind::Create:
        if (found != cards_.end()) {
            response.outcome = Outcome::PreconditionFailed;
            break;
        }
        store(request.href, request.vcard);
        response.etag = options_.etagsOnWrite ? cards_[request.href].etag : "";
        break;
    case Kind::Update:
    case Kind::Remove:
        if (found == cards_.end()) {
            response.outcome = Outcome::NotFound;
        } else if (found->second.etag != request.etag) {
            response.outcome = Outcome::PreconditionFailed;
        } else if (request.kind == Kind::Remove) {
            remove(request.href);
        } else {
            store(request.href, request.vcard);
            response.etag = options_.etagsOnWrite ? cards_[request.href].etag : "";
        }
        break;
    }
    return response;
}

} // namespace testsupport
