#include "CsvHeadings.h"

#include <algorithm>
#include <array>
#include <vector>

namespace exchange {

namespace {

struct Phrase {
    std::string_view words;
    CsvRole role;
};

// Headings as words: lower case, punctuation dropped ("E-Mail-Adresse" is "e mail adresse").
// "address" alone is the whole address; with a group before it ("Home Address") the street.
constexpr std::array Phrases = {
    Phrase{"name", CsvRole::Name},
    Phrase{"last name", CsvRole::FamilyName},
    Phrase{"lastname", CsvRole::FamilyName},
    Phrase{"family name", CsvRole::FamilyName},
    Phrase{"surname", CsvRole::FamilyName},
    Phrase{"nachname", CsvRole::FamilyName},
    Phrase{"familienname", CsvRole::FamilyName},
    Phrase{"firstname", CsvRole::GivenName},
    Phrase{"first name", CsvRole::GivenName},
    Phrase{"given name", CsvRole::GivenName},
    Phrase{"forename", CsvRole::GivenName},
    Phrase{"vorname", CsvRole::GivenName},
    Phrase{"middle name", CsvRole::MiddleName},
    Phrase{"additional name", CsvRole::MiddleName},
    Phrase{"weitere vornamen", CsvRole::MiddleName},
    Phrase{"zweiter vorname", CsvRole::MiddleName},
    Phrase{"display name", CsvRole::FullName},
    Phrase{"full name", CsvRole::FullName},
    Phrase{"anzeigename", CsvRole::FullName},
    Phrase{"vollständiger name", CsvRole::FullName},
    Phrase{"alias", CsvRole::Nickname},
    Phrase{"nickname", CsvRole::Nickname},
    Phrase{"nick name", CsvRole::Nickname},
    Phrase{"spitzname", CsvRole::Nickname},
    Phrase{"rufname", CsvRole::Nickname},
    Phrase{"company", CsvRole::Company},
    Phrase{"organization", CsvRole::Company},
    Phrase{"organisation", CsvRole::Company},
    Phrase{"organization name", CsvRole::Company},
    Phrase{"firma", CsvRole::Company},
    Phrase{"unternehmen", CsvRole::Company},
    Phrase{"address", CsvRole::FormattedAddress},
    Phrase{"adresse", CsvRole::FormattedAddress},
    Phrase{"anschrift", CsvRole::FormattedAddress},
    Phrase{"formatted", CsvRole::FormattedAddress},
    Phrase{"formatted address", CsvRole::FormattedAddress},
    Phrase{"postal address", CsvRole::FormattedAddress},
    Phrase{"street", CsvRole::Street},
    Phrase{"street address", CsvRole::Street},
    Phrase{"straße", CsvRole::Street},
    Phrase{"strasse", CsvRole::Street},
    Phrase{"extended address", CsvRole::ExtendedAddress},
    Phrase{"adresszusatz", CsvRole::ExtendedAddress},
    Phrase{"po box", CsvRole::PoBox},
    Phrase{"p o box", CsvRole::PoBox},
    Phrase{"postfach", CsvRole::PoBox},
    Phrase{"city", CsvRole::Locality},
    Phrase{"town", CsvRole::Locality},
    Phrase{"locality", CsvRole::Locality},
    Phrase{"ort", CsvRole::Locality},
    Phrase{"stadt", CsvRole::Locality},
    Phrase{"wohnort", CsvRole::Locality},
    Phrase{"state", CsvRole::Region},
    Phrase{"region", CsvRole::Region},
    Phrase{"province", CsvRole::Region},
    Phrase{"county", CsvRole::Region},
    Phrase{"bundesland", CsvRole::Region},
    Phrase{"bundesland kanton", CsvRole::Region},
    Phrase{"kanton", CsvRole::Region},
    Phrase{"postal code", CsvRole::PostalCode},
    Phrase{"postcode", CsvRole::PostalCode},
    Phrase{"post code", CsvRole::PostalCode},
    Phrase{"zip", CsvRole::PostalCode},
    Phrase{"zip code", CsvRole::PostalCode},
    Phrase{"zipcode", CsvRole::PostalCode},
    Phrase{"plz", CsvRole::PostalCode},
    Phrase{"postleitzahl", CsvRole::PostalCode},
    Phrase{"country", CsvRole::Country},
    Phrase{"country region", CsvRole::Country},
    Phrase{"land", CsvRole::Country},
    Phrase{"land region", CsvRole::Country},
    Phrase{"tel fax", CsvRole::Telephone},
    Phrase{"tel", CsvRole::Telephone},
    Phrase{"tel nr", CsvRole::Telephone},
    Phrase{"phone", CsvRole::Telephone},
    Phrase{"phone number", CsvRole::Telephone},
    Phrase{"phone value", CsvRole::Telephone},
    Phrase{"telephone", CsvRole::Telephone},
    Phrase{"telefon", CsvRole::Telephone},
    Phrase{"telefonnummer", CsvRole::Telephone},
    Phrase{"mobile", CsvRole::Telephone},
    Phrase{"mobile phone", CsvRole::Telephone},
    Phrase{"mobile number", CsvRole::Telephone},
    Phrase{"cell", CsvRole::Telephone},
    Phrase{"cell phone", CsvRole::Telephone},
    Phrase{"mobil", CsvRole::Telephone},
    Phrase{"mobil tel nr", CsvRole::Telephone},
    Phrase{"mobiltelefon", CsvRole::Telephone},
    Phrase{"handy", CsvRole::Telephone},
    Phrase{"fax", CsvRole::Telephone},
    Phrase{"fax number", CsvRole::Telephone},
    Phrase{"fax nummer", CsvRole::Telephone},
    Phrase{"faxnummer", CsvRole::Telephone},
    Phrase{"pager", CsvRole::Telephone},
    Phrase{"pager number", CsvRole::Telephone},
    Phrase{"pager nummer", CsvRole::Telephone},
    Phrase{"car phone", CsvRole::Telephone},
    Phrase{"autotelefon", CsvRole::Telephone},
    Phrase{"primary phone", CsvRole::Telephone},
    Phrase{"haupttelefon", CsvRole::Telephone},
    Phrase{"company main phone", CsvRole::Telephone},
    Phrase{"telefon firma", CsvRole::Telephone},
    Phrase{"assistant s phone", CsvRole::Telephone},
    Phrase{"telefon assistent", CsvRole::Telephone},
    Phrase{"callback", CsvRole::Telephone},
    Phrase{"rückmeldung", CsvRole::Telephone},
    Phrase{"isdn", CsvRole::Telephone},
    Phrase{"radio phone", CsvRole::Telephone},
    Phrase{"funkruf", CsvRole::Telephone},
    Phrase{"tty tdd phone", CsvRole::Telephone},
    Phrase{"telex", CsvRole::Telephone},
    Phrase{"e mail", CsvRole::Email},
    Phrase{"email", CsvRole::Email},
    Phrase{"mail", CsvRole::Email},
    Phrase{"e mail address", CsvRole::Email},
    Phrase{"email address", CsvRole::Email},
    Phrase{"e mail adresse", CsvRole::Email},
    Phrase{"e mail value", CsvRole::Email},
    Phrase{"primary email", CsvRole::Email},
    Phrase{"secondary email", CsvRole::Email},
    Phrase{"primäre e mail adresse", CsvRole::Email},
    Phrase{"sekundäre e mail adresse", CsvRole::Email},
    Phrase{"note", CsvRole::Note},
    Phrase{"notes", CsvRole::Note},
    Phrase{"notiz", CsvRole::Note},
    Phrase{"notizen", CsvRole::Note},
    Phrase{"memo", CsvRole::Note},
    Phrase{"comment", CsvRole::Note},
    Phrase{"comments", CsvRole::Note},
    Phrase{"kommentar", CsvRole::Note},
    Phrase{"kommentare", CsvRole::Note},
    Phrase{"bemerkung", CsvRole::Note},
    Phrase{"bemerkungen", CsvRole::Note},
    Phrase{"anmerkung", CsvRole::Note},
    Phrase{"anmerkungen", CsvRole::Note},
};

struct GroupWord {
    std::string_view word;
    std::string_view group;
};

// Words that say which of several addresses (and numbers) a column belongs to.
constexpr std::array GroupWords = {
    GroupWord{"home", "home"},      GroupWord{"private", "home"},      GroupWord{"personal", "home"},
    GroupWord{"privat", "home"},    GroupWord{"business", "work"},     GroupWord{"work", "work"},
    GroupWord{"office", "work"},    GroupWord{"geschäftlich", "work"}, GroupWord{"dienstlich", "work"},
    GroupWord{"other", "other"},    GroupWord{"weitere", "other"},     GroupWord{"weiterer", "other"},
    GroupWord{"weiteres", "other"}, GroupWord{"andere", "other"},
};

bool isAsciiAlphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Lower-case words of a UTF-8 heading; non-ASCII letters stay in their word, Latin-1 capitals
// (Ä, Ö, Ü, ...) lower-cased.
std::vector<std::string> wordsOf(std::string_view heading) {
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 0; i <= heading.size(); ++i) {
        const char c = i < heading.size() ? heading[i] : ' ';
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || isAsciiAlphanumeric(c)) {
            const bool latin1Capital = byte >= 0x80 && byte <= 0x9E && byte != 0x97 && !word.empty() &&
                                       static_cast<unsigned char>(word.back()) == 0xC3;
            word += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a')
                    : latin1Capital      ? static_cast<char>(byte + 0x20)
                                         : c;
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    return words;
}

bool isNumber(std::string_view word) {
    return std::ranges::all_of(word, [](char c) { return c >= '0' && c <= '9'; });
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : " ") + word;
    }
    return text;
}

std::optional<CsvRole> roleOf(std::string_view words) {
    const auto* found = std::ranges::find(Phrases, words, &Phrase::words);
    return found == Phrases.end() ? std::nullopt : std::optional(found->role);
}

} // namespace

std::optional<CsvHeading> csvHeading(std::string_view heading) {
    std::vector<std::string> words = wordsOf(heading);
    if (const std::optional<CsvRole> role = roleOf(joined(words))) {
        return CsvHeading{*role, {}};
    }
    std::string group;
    // "Address 1 - Street": the number picks one of several addresses.
    if (words.size() >= 3 && (words[0] == "address" || words[0] == "adresse") && isNumber(words[1])) {
        group = "#" + words[1];
        words.erase(words.begin(), words.begin() + 2);
    }
    std::erase_if(words, [&](const std::string& word) {
        const auto* groupWord = std::ranges::find(GroupWords, word, &GroupWord::word);
        if (groupWord != GroupWords.end()) {
            group += groupWord->group;
            return true;
        }
        return isNumber(word); // "Home Street 2", "E-mail 2 Address": one of several of a kind
    });
    const std::optional<CsvRole> role = roleOf(joined(words));
    if (!role || group.empty()) {
        return role ? std::optional(CsvHeading{*role, {}}) : std::nullopt;
    }
    if (*role == CsvRole::FormattedAddress && (words.front() == "address" || words.front() == "adresse")) {
        return CsvHeading{CsvRole::Street, group};
    }
    return CsvHeading{*role, group};
}

} // namespace exchange
