#include "CardPatch.h"

#include "Records.h"
#include "exchange/StorableText.h"
#include "exchange/Telephones.h"
#include "exchange/Text.h"
#include "exchange/Utf8.h"
#include "exchange/VcardLines.h"
#include "exchange/VcardReader.h"
#include "exchange/VcardValue.h"
#include "exchange/VcardWriter.h"

#include <algorithm>
#include <vector>

namespace cardsync {

namespace {

using exchange::equalsIgnoringAsciiCase;
using exchange::FieldSource;
namespace column = exchange::column;

// A field of the list as a vCard text value.
std::string escaped(std::string_view windows1252) {
    return exchange::escapedText(exchange::utf8FromWindows1252(windows1252));
}

// Parameters that say how the old value was encoded; a value written anew is plain UTF-8.
bool isEncoding(const exchange::Parameter& parameter) {
    if (parameter.name.empty()) {
        for (const std::string_view encoding : {"QUOTED-PRINTABLE", "BASE64", "8BIT", "7BIT"}) {
            if (equalsIgnoringAsciiCase(parameter.value, encoding)) {
                return true;
            }
        }
        return false;
    }
    return equalsIgnoringAsciiCase(parameter.name, "ENCODING") ||
           equalsIgnoringAsciiCase(parameter.name, "CHARSET");
}

// The content lines of a card, unfolded, with what is to be removed, rewritten or added. The text must
// outlive it: lines that stay are written back byte for byte.
class CardLines {
public:
    explicit CardLines(std::string_view text) {
        exchange::ContentLineReader reader(text);
        while (const std::optional<exchange::ContentLine> content = reader.next()) {
            lines_.push_back({std::string(content->text), content->raw, false, false, {}, {}});
        }
        end_ = lines_.size();
        bool open = false;
        exchange::PropertyLine property;
        for (std::size_t index = 0; index < lines_.size() && end_ == lines_.size(); ++index) {
            if (!parse(index, property)) {
                continue;
            }
            const bool isCard = equalsIgnoringAsciiCase(exchange::trimmed(property.value), "VCARD");
            if (isCard && equalsIgnoringAsciiCase(property.name, "BEGIN")) {
                open = true;
            } else if (isCard && open && equalsIgnoringAsciiCase(property.name, "END")) {
                end_ = index;
            } else if (open && version_.empty() && equalsIgnoringAsciiCase(property.name, "VERSION")) {
                version_ = exchange::trimmed(property.value);
            }
        }
    }

    std::size_t end() const { return end_; }
    bool isVersion4() const { return version_ == "4.0"; }

    // The card's first property of the name.
    std::optional<std::size_t> first(std::string_view name) const {
        exchange::PropertyLine property;
        for (std::size_t index = 0; index < end_; ++index) {
            if (parse(index, property) && equalsIgnoringAsciiCase(property.name, name)) {
                return index;
            }
        }
        return std::nullopt;
    }

    bool named(std::size_t index, std::string_view name) const {
        exchange::PropertyLine property;
        return parse(index, property) && equalsIgnoringAsciiCase(property.name, name);
    }

    // The line's value as it stands, escapes and all.
    std::string value(std::size_t index) const {
        exchange::PropertyLine property;
        return parse(index, property) ? std::string(property.value) : std::string();
    }

    bool isEncoded(std::size_t index) const {
        exchange::PropertyLine property;
        return parse(index, property) && std::ranges::any_of(property.parameters, isEncoding);
    }

    // Keeps the group, the name and the parameters, except those of an encoding and `dropped`.
    void setValue(std::size_t index, std::string_view value, std::string_view dropped = {}) {
        exchange::PropertyLine property;
        if (!parse(index, property)) {
            return;
        }
        std::string text = property.group.empty() ? std::string() : std::string(property.group) + ".";
        text += property.name;
        for (const exchange::Parameter& parameter : property.parameters) {
            if (!isEncoding(parameter) &&
                !(!dropped.empty() && equalsIgnoringAsciiCase(parameter.name, dropped))) {
                text += ';';
                text += parameter.text;
            }
        }
        text += ':';
        text += value;
        lines_[index].text = std::move(text);
        lines_[index].rewritten = true;
    }

    void remove(std::size_t index) { lines_[index].removed = true; }
    void insertBefore(std::size_t index, std::string text) {
        lines_[index].before.push_back(std::move(text));
    }
    void insertAfter(std::size_t index, std::string text) { lines_[index].after.push_back(std::move(text)); }
    void insertAtEnd(std::string text) {
        if (end_ < lines_.size()) {
            insertBefore(end_, std::move(text));
        }
    }

    std::string text() const {
        std::string out;
        for (const Line& line : lines_) {
            for (const std::string& added : line.before) {
                exchange::appendFolded(out, added);
            }
            if (line.rewritten && !line.removed) {
                exchange::appendFolded(out, line.text);
            } else if (!line.removed) {
                out += line.raw;
                if (!line.raw.ends_with('\n') && !line.raw.ends_with('\r')) {
                    out += "\r\n"; // the last line of a text without a line end
                }
            }
            for (const std::string& added : line.after) {
                exchange::appendFolded(out, added);
            }
        }
        return out;
    }

private:
    struct Line {
        std::string text;
        std::string_view raw; // as the server wrote it, kept where the line is not rewritten
        bool rewritten;
        bool removed;
        std::vector<std::string> before;
        std::vector<std::string> after;
    };

    bool parse(std::size_t index, exchange::PropertyLine& property) const {
        return exchange::parsePropertyLine(lines_[index].text, property);
    }

    std::vector<Line> lines_;
    std::size_t end_ = 0; // the first card's END:VCARD, or the number of lines when there is none
    std::string version_;
};

bool cameFrom(const std::vector<FieldSource>& sources, std::size_t line) {
    return std::ranges::any_of(sources, [&](const FieldSource& source) { return source.line == line; });
}

// N with its family or given name replaced, and FN spelled out from it.
void rewriteName(CardLines& card, const exchange::FieldSources& sources, const book::Record& wanted,
                 const book::Record& current) {
    constexpr int Name = static_cast<int>(column::Name);
    constexpr int Firstname = static_cast<int>(column::Firstname);
    const std::optional<std::size_t> n = card.first("N");
    const bool fromN = n && (cameFrom(sources[column::Name], *n) || cameFrom(sources[column::Firstname], *n));
    // Parts that stay are kept as they are written; an encoded 2.1 value is written anew.
    const std::string oldValue = n && fromN && !card.isEncoded(*n) ? card.value(*n) : std::string();
    std::vector<std::string> parts;
    for (const std::string_view part : exchange::rawComponents(oldValue)) {
        parts.emplace_back(part);
    }
    parts.resize(std::max<std::size_t>(parts.size(), 5));
    if (oldValue.empty() || wanted.field(Name) != current.field(Name)) {
        parts[0] = escaped(wanted.field(Name));
    }
    if (oldValue.empty() || wanted.field(Firstname) != current.field(Firstname)) {
        parts[1] = escaped(wanted.field(Firstname));
        parts[2].clear();
    }
    std::string value;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        value += (i == 0 ? "" : ";") + parts[i];
    }
    const std::optional<std::size_t> fn = card.first("FN");
    if (n) {
        card.setValue(*n, value);
    } else if (fn) {
        card.insertBefore(*fn, "N:" + value);
    } else {
        card.insertAtEnd("N:" + value);
    }
    // FN in the order a name is spoken: prefix, given, additional, family, suffix.
    const std::vector<std::string> spoken = exchange::vcardComponents(value, " ");
    std::string fullName =
        exchange::joinNonEmpty({spoken[3], spoken[1], spoken[2], spoken[0], spoken[4]}, " ");
    if (fullName.empty()) {
        fullName = exchange::utf8FromWindows1252(exchange::displayedName(contactView(wanted)));
    }
    if (fn) {
        card.setValue(*fn, exchange::escapedText(fullName));
    } else {
        card.insertAtEnd("FN:" + exchange::escapedText(fullName));
    }
}

// A field read from one property: that property rewritten, or removed when the field was emptied.
void rewriteSingle(CardLines& card, const std::vector<FieldSource>& sources, std::string_view property,
                   std::string_view wanted) {
    if (sources.empty()) {
        if (!wanted.empty()) {
            card.insertAtEnd(std::string(property) + ":" + escaped(wanted));
        }
    } else if (wanted.empty()) {
        card.remove(sources.front().line);
    } else {
        card.setValue(sources.front().line, escaped(wanted));
    }
}

void rewriteAddress(CardLines& card, const std::vector<FieldSource>& sources, std::string_view wanted) {
    const std::string structured = ";;" + escaped(wanted) + ";;;;"; // the whole line as the street
    if (sources.empty()) {
        if (!wanted.empty()) {
            card.insertAtEnd("ADR:" + structured);
        }
    } else if (wanted.empty()) {
        card.remove(sources.front().line);
    } else if (card.named(sources.front().line, "ADR")) {
        card.setValue(sources.front().line, structured, "LABEL"); // its label would tell the old address
    } else {
        card.setValue(sources.front().line, escaped(wanted));
    }
}

// Every note becomes one: the field shows them all, joined.
void rewriteNotes(CardLines& card, const std::vector<FieldSource>& sources, std::string_view wanted) {
    rewriteSingle(card, sources, "NOTE", wanted);
    for (std::size_t i = 1; i < sources.size(); ++i) {
        card.remove(sources[i].line);
    }
}

constexpr std::size_t LargestAlignment = 10'000;

// The numbers the card has turned into those wanted with the fewest edits: a number kept stays as it is,
// a number changed in place keeps its parameters (its type), and the rest are removed or added.
void rewriteTelephones(CardLines& card, const std::vector<FieldSource>& sources, std::string_view wanted) {
    std::vector<std::string> have;
    for (const FieldSource& source : sources) {
        have.push_back(exchange::tidyTelephones(exchange::storableText(source.text).bytes));
    }
    const std::vector<std::string_view> want = exchange::telephoneParts(wanted);
    const std::size_t n = have.size();
    const std::size_t m = want.size();
    if (n * m > LargestAlignment) { // no card holds that many numbers but a hostile one
        for (const FieldSource& source : sources) {
            card.remove(source.line);
        }
        for (const std::string_view number : want) {
            card.insertAtEnd("TEL:" + escaped(number));
        }
        return;
    }
    // edits[i][j]: the least cost of turning have[i..] into want[j..]. A number changed in place costs less
    // than one removed and another added, but more than either, so that numbers kept stay where they are.
    constexpr std::size_t Remove = 2;
    constexpr std::size_t Add = 2;
    constexpr std::size_t Replace = 3;
    std::vector<std::vector<std::size_t>> edits(n + 1, std::vector<std::size_t>(m + 1));
    for (std::size_t i = n + 1; i-- > 0;) {
        for (std::size_t j = m + 1; j-- > 0;) {
            if (i == n || j == m) {
                edits[i][j] = (n - i) * Remove + (m - j) * Add;
            } else {
                edits[i][j] = std::min({edits[i + 1][j + 1] + (have[i] == want[j] ? 0 : Replace),
                                        edits[i + 1][j] + Remove, edits[i][j + 1] + Add});
            }
        }
    }
    const auto numberLine = [&](std::string_view number) {
        return (card.isVersion4() ? "TEL;VALUE=text:" : "TEL:") + escaped(number);
    };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && edits[i][j] == edits[i + 1][j + 1] + (have[i] == want[j] ? 0 : Replace)) {
            if (have[i] != want[j]) {
                const std::string old = card.value(sources[i].line);
                const bool uri = exchange::startsWithIgnoringAsciiCase(exchange::trimmed(old), "tel:");
                card.setValue(sources[i].line, (uri ? "tel:" : "") + escaped(want[j]));
            }
            ++i;
            ++j;
        } else if (i < n && edits[i][j] == edits[i + 1][j] + Remove) {
            card.remove(sources[i++].line);
        } else if (i < n) {
            card.insertBefore(sources[i].line, numberLine(want[j++]));
        } else if (n > 0) {
            card.insertAfter(sources[n - 1].line, numberLine(want[j++]));
        } else {
            card.insertAtEnd(numberLine(want[j++]));
        }
    }
}

} // namespace

CardReading readCard(std::string_view vcard) {
    CardReading reading;
    const exchange::ReadResult read = exchange::readVcards(vcard);
    if (!read.contacts.empty()) {
        reading.record = recordOf(read.contacts.front());
    }
    exchange::ContentLineReader lines(vcard);
    exchange::PropertyLine property;
    while (const std::optional<exchange::ContentLine> content = lines.next()) {
        if (exchange::parsePropertyLine(content->text, property) &&
            equalsIgnoringAsciiCase(property.name, "UID")) {
            reading.uid = exchange::trimmed(property.value);
            break;
        }
    }
    return reading;
}

std::string patchedCard(std::string_view vcard, const book::Record& wanted) {
    const std::optional<std::string> fromUtf16 = exchange::utf8FromMarkedUtf16(vcard);
    const std::string_view text = fromUtf16 ? std::string_view(*fromUtf16) : vcard;
    const book::Record current = readCard(text).record.value_or(book::Record{});
    const exchange::FieldSources sources = exchange::fieldSources(text);
    CardLines card(text);
    const auto changed = [&](std::size_t field) {
        return wanted.field(static_cast<int>(field)) != current.field(static_cast<int>(field));
    };
    const auto want = [&](std::size_t field) { return wanted.field(static_cast<int>(field)); };
    if (changed(column::Name) || changed(column::Firstname)) {
        rewriteName(card, sources, wanted, current);
    }
    if (changed(column::Alias)) {
        rewriteSingle(card, sources[column::Alias], "NICKNAME", want(column::Alias));
    }
    if (changed(column::Address)) {
        rewriteAddress(card, sources[column::Address], want(column::Address));
    }
    if (changed(column::Telephone)) {
        rewriteTelephones(card, sources[column::Telephone], want(column::Telephone));
    }
    if (changed(column::Email)) {
        rewriteSingle(card, sources[column::Email], "EMAIL", want(column::Email));
    }
    if (changed(column::Note)) {
        rewriteNotes(card, sources[column::Note], want(column::Note));
    }
    return card.text();
}

std::string newCard(const book::Record& record, std::string_view uid) {
    std::string card;
    exchange::appendServerVcard(card, contactView(record), uid);
    return card;
}

} // namespace cardsync
