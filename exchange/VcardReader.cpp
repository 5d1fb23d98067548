#include "VcardReader.h"

#include "FullName.h"
#include "PostalAddress.h"
#include "Telephones.h"
#include "Text.h"
#include "Utf8.h"
#include "VcardLines.h"
#include "VcardValue.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

namespace exchange {

namespace {

enum class Known { N, FN, Nickname, Adr, Label, Tel, Email, Note, Org, Kind, Version };

constexpr std::array<std::pair<std::string_view, Known>, 11> KnownNames = {{{"N", Known::N},
                                                                            {"FN", Known::FN},
                                                                            {"NICKNAME", Known::Nickname},
                                                                            {"ADR", Known::Adr},
                                                                            {"LABEL", Known::Label},
                                                                            {"TEL", Known::Tel},
                                                                            {"EMAIL", Known::Email},
                                                                            {"NOTE", Known::Note},
                                                                            {"ORG", Known::Org},
                                                                            {"KIND", Known::Kind},
                                                                            {"VERSION", Known::Version}}};

std::optional<Known> knownProperty(std::string_view name) {
    for (const auto& [knownName, known] : KnownNames) {
        if (equalsIgnoringAsciiCase(name, knownName)) {
            return known;
        }
    }
    return std::nullopt;
}

constexpr int NotPreferred = 101; // preferences run from 1 (most) to 100

enum class Encoding { Plain, QuotedPrintable, Base64 };

struct ParameterFacts {
    int preference = NotPreferred;
    Encoding encoding = Encoding::Plain;
    std::string_view charset;
    std::string_view label;
};

Encoding encodingNamed(std::string_view name) {
    if (equalsIgnoringAsciiCase(name, "QUOTED-PRINTABLE")) {
        return Encoding::QuotedPrintable;
    }
    if (equalsIgnoringAsciiCase(name, "BASE64") || equalsIgnoringAsciiCase(name, "B")) {
        return Encoding::Base64;
    }
    return Encoding::Plain;
}

bool listHolds(std::string_view list, std::string_view wanted) {
    while (true) {
        const std::size_t comma = list.find(',');
        if (equalsIgnoringAsciiCase(trimmed(list.substr(0, comma)), wanted)) {
            return true;
        }
        if (comma == std::string_view::npos) {
            return false;
        }
        list.remove_prefix(comma + 1);
    }
}

// 2.1 writes types and the encoding bare (";HOME;PREF;QUOTED-PRINTABLE"), later versions as name=value.
ParameterFacts factsOf(const std::vector<Parameter>& parameters) {
    ParameterFacts facts;
    for (const Parameter& parameter : parameters) {
        const std::string_view name = parameter.name;
        if (name.empty() || equalsIgnoringAsciiCase(name, "TYPE")) {
            if (listHolds(parameter.value, "PREF")) {
                facts.preference = 1;
            }
            if (name.empty() && encodingNamed(parameter.value) != Encoding::Plain) {
                facts.encoding = encodingNamed(parameter.value);
            }
        } else if (equalsIgnoringAsciiCase(name, "PREF")) {
            int preference = NotPreferred;
            std::from_chars(parameter.value.data(), parameter.value.data() + parameter.value.size(),
                            preference);
            facts.preference = std::min(facts.preference, std::clamp(preference, 1, NotPreferred));
        } else if (equalsIgnoringAsciiCase(name, "ENCODING")) {
            facts.encoding = encodingNamed(parameter.value);
        } else if (equalsIgnoringAsciiCase(name, "CHARSET")) {
            facts.charset = parameter.value;
        } else if (equalsIgnoringAsciiCase(name, "LABEL")) {
            facts.label = parameter.value;
        }
    }
    return facts;
}

struct CardProperty {
    Known name;
    std::string value; // UTF-8, still escaped
    int preference;
    std::string label; // an address's LABEL parameter
    std::size_t line;  // the content line it stands on
};

// The properties of one card that the address list has a field for, mapped once the card is complete.
class Card {
public:
    void clear() {
        properties_.clear();
        version_.clear();
    }

    void add(const PropertyLine& line, Known name, std::size_t lineNumber) {
        const ParameterFacts facts = factsOf(line.parameters);
        if (facts.encoding == Encoding::Base64) {
            return; // a photo or a key: nothing for the list
        }
        if (name == Known::Version) {
            version_ = trimmed(line.value);
            return;
        }
        const std::string bytes = facts.encoding == Encoding::QuotedPrintable
                                      ? decodeQuotedPrintable(line.value)
                                      : std::string(line.value);
        properties_.push_back({name, utf8FromCharset(bytes, facts.charset), facts.preference,
                               decodeParameterValue(utf8FromCharset(facts.label, facts.charset)),
                               lineNumber});
    }

    // The contact, and where each field came from when sources is given.
    ContactText contact(FieldSources* sources = nullptr) const {
        FieldSources ignored;
        FieldSources& from = sources ? *sources : ignored;
        ContactText text;
        setName(text, from);
        if (const CardProperty* nickname = first(Known::Nickname)) {
            text[column::Alias] = nicknameOf(*nickname);
            from[column::Alias].push_back({nickname->line, text[column::Alias]});
        }
        text[column::Address] = address(from[column::Address]);
        text[column::Telephone] = joined(Known::Tel, telephoneOf, " / ", from[column::Telephone]);
        if (const CardProperty* email = preferred(Known::Email)) {
            text[column::Email] = vcardText(email->value);
            from[column::Email].push_back({email->line, text[column::Email]});
        }
        text[column::Note] = joined(Known::Note, noteOf, "; ", from[column::Note]);
        return text;
    }

private:
    // 2.1 has no lists: a comma is just a comma there.
    std::string_view listJoiner(std::string_view joiner) const { return version_ == "2.1" ? "," : joiner; }

    const CardProperty* first(Known name) const {
        const auto found = std::ranges::find(properties_, name, &CardProperty::name);
        return found == properties_.end() ? nullptr : &*found;
    }

    const CardProperty* preferred(Known name) const {
        const CardProperty* best = nullptr;
        for (const CardProperty& property : properties_) {
            if (property.name == name && (best == nullptr || property.preference < best->preference)) {
                best = &property;
            }
        }
        return best;
    }

    std::string nicknameOf(const CardProperty& nickname) const {
        return vcardText(nickname.value, listJoiner(", "));
    }

    static std::string telephoneOf(const CardProperty& tel) { return tidyTelephones(vcardText(tel.value)); }

    static std::string noteOf(const CardProperty& note) { return vcardText(note.value); }

    // Every property of the name, decoded, with the separator between them.
    std::string joined(Known name, std::string (*decoded)(const CardProperty&), std::string_view separator,
                       std::vector<FieldSource>& sources) const {
        std::vector<std::string> texts;
        for (const CardProperty& property : properties_) {
            if (property.name == name) {
                texts.push_back(decoded(property));
                if (!texts.back().empty()) {
                    sources.push_back({property.line, texts.back()});
                }
            }
        }
        return joinNonEmpty(texts, separator);
    }

    void setName(ContactText& text, FieldSources& sources) const {
        const auto cameFrom = [&](const CardProperty* property) {
            for (const std::size_t field : {column::Name, column::Firstname}) {
                if (property && !text[field].empty()) {
                    sources[field].push_back({property->line, text[field]});
                }
            }
        };
        if (const CardProperty* n = first(Known::N)) {
            std::vector<std::string> parts = vcardComponents(n->value, listJoiner(" "));
            parts.resize(std::max<std::size_t>(parts.size(), 3));
            text[column::Name] = parts[0];
            text[column::Firstname] = joinNonEmpty({parts[1], parts[2]}, " ");
            cameFrom(n);
        }
        if (!text[column::Name].empty() || !text[column::Firstname].empty()) {
            return;
        }
        const CardProperty* fn = first(Known::FN);
        const std::string fullName = fn ? std::string(trimmed(vcardText(fn->value))) : std::string();
        const CardProperty* org = first(Known::Org);
        const std::string organisation = org ? std::string(trimmed(vcardComponents(org->value, ",")[0])) : "";
        if (fullName.empty() || repeatsAnotherField(fullName)) {
            text[column::Name] = organisation;
            cameFrom(org);
        } else if (isOrganisation() || fullName == organisation) {
            text[column::Name] = fullName;
            cameFrom(fn);
        } else {
            NameParts parts = splitFullName(fullName);
            text[column::Name] = std::move(parts.family);
            text[column::Firstname] = std::move(parts.given);
            cameFrom(fn);
        }
    }

    // Writers fill the required full name with a number, an e-mail address or a nickname when a
    // contact has no name.
    bool repeatsAnotherField(std::string_view fullName) const {
        return std::ranges::any_of(properties_, [&](const CardProperty& property) {
            switch (property.name) {
            case Known::Nickname:
                return trimmed(nicknameOf(property)) == fullName;
            case Known::Tel:
                return telephoneOf(property) == fullName;
            case Known::Email:
                return trimmed(withoutMailto(vcardText(property.value))) == fullName;
            default:
                return false;
            }
        });
    }

    bool isOrganisation() const {
        const CardProperty* kind = first(Known::Kind);
        return kind && (equalsIgnoringAsciiCase(trimmed(kind->value), "org") ||
                        equalsIgnoringAsciiCase(trimmed(kind->value), "group"));
    }

    std::string address(std::vector<FieldSource>& sources) const {
        if (const CardProperty* adr = preferred(Known::Adr)) {
            std::vector<std::string> parts = vcardComponents(adr->value, listJoiner(", "));
            parts.resize(std::max<std::size_t>(parts.size(), 7));
            std::string line =
                letterLine({parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6]});
            if (!line.empty() || !adr->label.empty()) {
                sources.push_back({adr->line, line.empty() ? adr->label : std::move(line)});
                return sources.back().text;
            }
        }
        const CardProperty* label = preferred(Known::Label);
        if (label == nullptr) {
            return {};
        }
        sources.push_back({label->line, vcardText(label->value)});
        return sources.back().text;
    }

    std::vector<CardProperty> properties_;
    std::string version_;
};

bool isCardMark(const PropertyLine& line, std::string_view mark) {
    return equalsIgnoringAsciiCase(line.name, mark) && equalsIgnoringAsciiCase(trimmed(line.value), "VCARD");
}

// Hands every complete card to `complete`, which returns false to stop; the rest goes to the collector.
template <typename Complete>
void readCards(std::string_view bytes, ContactCollector& collector, Complete complete) {
    const std::optional<std::string> fromUtf16 = utf8FromMarkedUtf16(bytes);
    ContentLineReader lines(fromUtf16 ? std::string_view(*fromUtf16) : bytes);
    PropertyLine line;
    Card card;
    std::size_t cardCount = 0;
    std::size_t lineNumber = 0; // counted from 0, one for each content line
    bool anyText = false;
    std::string place; // of the open card, empty when none is open
    for (; const std::optional<ContentLine> content = lines.next(); ++lineNumber) {
        anyText = anyText || !trimmed(content->text).empty();
        if (!parsePropertyLine(content->text, line)) {
            continue; // a blank line, or the rest of a 2.1 BASE64 block
        }
        if (isCardMark(line, "BEGIN")) {
            if (!place.empty()) {
                collector.skip(place + " has no END:VCARD");
            }
            place = "card " + std::to_string(++cardCount) + " (line " + std::to_string(content->number) + ")";
            card.clear();
        } else if (place.empty()) {
            continue; // outside any card
        } else if (isCardMark(line, "END")) {
            if (!complete(card, place)) {
                return;
            }
            place.clear();
        } else if (const std::optional<Known> known = knownProperty(line.name)) {
            card.add(line, *known, lineNumber);
        }
    }
    if (!place.empty()) {
        collector.skip(place + " has no END:VCARD");
    }
    if (cardCount == 0 && anyText) {
        collector.fail("the file holds no vCard (no line BEGIN:VCARD)");
    }
}

} // namespace

ReadResult readVcards(std::string_view bytes) {
    ContactCollector collector;
    readCards(bytes, collector, [&](const Card& card, std::string_view place) {
        collector.add(card.contact(), place);
        return true;
    });
    return collector.take();
}

FieldSources fieldSources(std::string_view bytes) {
    ContactCollector ignored;
    FieldSources sources;
    readCards(bytes, ignored, [&](const Card& card, std::string_view) {
        card.contact(&sources);
        return false;
    });
    return sources;
}

} // namespace exchange
