#include "VcardLines.h"

#include "Text.h"

namespace exchange {

namespace {

bool startsWithBlank(std::string_view text) {
    return !text.empty() && (text.front() == ' ' || text.front() == '\t');
}

// A soft line break must not swallow the card's end when a damaged value ends in '='.
bool isCardBoundary(std::string_view text) {
    return equalsIgnoringAsciiCase(trimmed(text), "END:VCARD") ||
           equalsIgnoringAsciiCase(trimmed(text), "BEGIN:VCARD");
}

std::string_view unquoted(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Where the next ';' or ':' outside double quotes is, or npos.
std::size_t nextDelimiter(std::string_view text, std::size_t from) {
    bool quoted = false;
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '"') {
            quoted = !quoted;
        } else if (!quoted && (text[i] == ';' || text[i] == ':')) {
            return i;
        }
    }
    return std::string_view::npos;
}

} // namespace

ContentLineReader::ContentLineReader(std::string_view bytes) : bytes_(bytes) {
    if (bytes_.starts_with("\xEF\xBB\xBF")) {
        bytes_.remove_prefix(3);
    }
}

ContentLineReader::PhysicalLine ContentLineReader::lineAt(std::size_t position) const {
    const std::size_t end = std::min(bytes_.find_first_of("\r\n", position), bytes_.size());
    std::size_t next = end;
    if (next < bytes_.size()) {
        next += bytes_[next] == '\r' && next + 1 < bytes_.size() && bytes_[next + 1] == '\n' ? 2U : 1U;
    }
    return {bytes_.substr(position, end - position), next};
}

void ContentLineReader::append(std::string_view text) {
    if (current_.data() != unfolded_.data()) {
        unfolded_.assign(current_);
    }
    unfolded_ += text;
    current_ = unfolded_;
}

bool ContentLineReader::isQuotedPrintable() {
    if (!quotedPrintable_) {
        const std::string_view head = current_.substr(0, current_.find(':'));
        quotedPrintable_ = lowerAscii(head).find("quoted-printable") != std::string::npos;
    }
    return *quotedPrintable_;
}

std::optional<ContentLine> ContentLineReader::next() {
    if (position_ >= bytes_.size()) {
        return std::nullopt;
    }
    const std::size_t start = position_;
    const PhysicalLine first = lineAt(position_);
    const std::size_t number = ++lineNumber_;
    position_ = first.end;
    current_ = first.text;
    quotedPrintable_.reset();
    while (position_ < bytes_.size()) {
        const PhysicalLine following = lineAt(position_);
        if (startsWithBlank(following.text)) {
            append(following.text.substr(1));
        } else if (current_.ends_with('=') && !isCardBoundary(following.text) && isQuotedPrintable()) {
            current_.remove_suffix(1);
            if (current_.data() == unfolded_.data()) {
                unfolded_.pop_back();
            }
            append(following.text);
        } else {
            break;
        }
        position_ = following.end;
        ++lineNumber_;
    }
    return ContentLine{number, current_, bytes_.substr(start, position_ - start)};
}

bool parsePropertyLine(std::string_view text, PropertyLine& line) {
    line.parameters.clear();
    std::size_t delimiter = nextDelimiter(text, 0);
    if (delimiter == std::string_view::npos || delimiter == 0) {
        return false;
    }
    const std::string_view fullName = trimmed(text.substr(0, delimiter));
    const std::size_t dot = fullName.rfind('.');
    line.group = dot == std::string_view::npos ? std::string_view{} : fullName.substr(0, dot);
    line.name = dot == std::string_view::npos ? fullName : fullName.substr(dot + 1);
    while (text[delimiter] == ';') {
        const std::size_t start = delimiter + 1;
        delimiter = nextDelimiter(text, start);
        if (delimiter == std::string_view::npos) {
            return false;
        }
        const std::string_view parameter = text.substr(start, delimiter - start);
        const std::size_t equals = parameter.find('=');
        if (equals == std::string_view::npos) {
            line.parameters.push_back({{}, trimmed(parameter), parameter});
        } else {
            line.parameters.push_back({trimmed(parameter.substr(0, equals)),
                                       unquoted(trimmed(parameter.substr(equals + 1))), parameter});
        }
    }
    line.value = text.substr(delimiter + 1);
    return !line.name.empty();
}

} // namespace exchange
