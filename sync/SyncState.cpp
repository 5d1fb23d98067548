#include "SyncState.h"

#include "files/Crc32c.h"

#include <cstdint>
#include <vector>

namespace cardsync {

namespace {

constexpr std::string_view Header = "numberwell-sync-1";
constexpr std::string_view TokenKind = "token";
constexpr std::string_view CardKind = "card";
constexpr std::string_view DropKind = "drop";
constexpr std::size_t CardFieldCount = 5 + book::ColumnCount; // kind, href, ETag, UID, pending, fields

std::string hex(std::uint32_t value) {
    std::string digits(8, '0');
    for (std::size_t i = 8; i-- > 0; value >>= 4) {
        digits[i] = "0123456789abcdef"[value & 0xF];
    }
    return digits;
}

void appendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

// Builds one line: the fields, then the checksum of what stands before it.
class LineBuilder {
public:
    explicit LineBuilder(std::string_view kind) : line_(kind) {}
    LineBuilder& add(std::string_view field) {
        line_ += '\t';
        appendEscaped(line_, field);
        return *this;
    }
    std::string finish() {
        const std::string sum = hex(files::crc32c(line_));
        return line_ + '\t' + sum + '\n';
    }

private:
    std::string line_;
};

// A line's fields unescaped, or nothing when its checksum does not match.
std::optional<std::vector<std::string>> fieldsOf(std::string_view line) {
    const std::size_t lastTab = line.rfind('\t');
    if (lastTab == std::string_view::npos ||
        line.substr(lastTab + 1) != hex(files::crc32c(line.substr(0, lastTab)))) {
        return std::nullopt;
    }
    std::vector<std::string> fields;
    std::string_view rest = line.substr(0, lastTab);
    while (true) {
        const std::size_t tab = rest.find('\t');
        std::optional<std::string> field = unescaped(rest.substr(0, tab));
        if (!field) {
            return std::nullopt;
        }
        fields.push_back(std::move(*field));
        if (tab == std::string_view::npos) {
            return fields;
        }
        rest.remove_prefix(tab + 1);
    }
}

bool applyLine(SyncState& state, std::vector<std::string>& fields) {
    const std::string_view kind = fields.front();
    if (kind == TokenKind && fields.size() == 2) {
        state.syncToken = std::move(fields[1]);
    } else if (kind == DropKind && fields.size() == 2) {
        state.cards.erase(fields[1]);
    } else if (kind == CardKind && fields.size() == CardFieldCount &&
               (fields[4] == "0" || fields[4] == "1")) {
        CardState& card = state.cards[fields[1]];
        card.etag = std::move(fields[2]);
        card.uid = std::move(fields[3]);
        card.pending = fields[4] == "1";
        card.record =
            book::Record{fields[5], fields[6], fields[7], fields[8], fields[9], fields[10], fields[11]};
    } else {
        return false;
    }
    return true;
}

} // namespace

std::string cardLine(const std::string& href, const CardState& card) {
    LineBuilder line(CardKind);
    line.add(href).add(card.etag).add(card.uid).add(card.pending ? "1" : "0");
    for (int column = 0; column < book::ColumnCount; ++column) {
        line.add(card.record.field(column));
    }
    return line.finish();
}

std::string dropLine(const std::string& href) {
    return LineBuilder(DropKind).add(href).finish();
}

std::string tokenLine(std::string_view token) {
    return LineBuilder(TokenKind).add(token).finish();
}

std::string stateText(const SyncState& state) {
    constexpr std::size_t TypicalCardLine = 160; // reserved, so that 10,000 cards need not double it
    std::string text;
    text.reserve(state.cards.size() * TypicalCardLine);
    text += LineBuilder(Header).add(state.addressBook).finish() + tokenLine(state.syncToken);
    for (const auto& [href, card] : state.cards) {
        text += cardLine(href, card);
    }
    return text;
}

std::optional<SyncState> parseState(std::string_view text) {
    SyncState state;
    bool first = true;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        std::optional<std::vector<std::string>> fields = fieldsOf(text.substr(0, end));
        text.remove_prefix(end + 1);
        if (!fields) {
            return std::nullopt;
        }
        if (first) {
            if (fields->size() != 2 || fields->front() != Header) {
                return std::nullopt;
            }
            state.addressBook = std::move((*fields)[1]);
            first = false;
        } else if (!applyLine(state, *fields)) {
            return std::nullopt;
        }
    }
    if (first) {
        return std::nullopt;
    }
    return state;
}

} // namespace cardsync
