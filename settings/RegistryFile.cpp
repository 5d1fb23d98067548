#include "settings/RegistryFile.h"

#include <algorithm>
#include <bit>
#include <charconv>

namespace settings {
namespace {

constexpr std::string_view Whitespace = " \t";
constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view Regedit4 = "REGEDIT4";
constexpr std::string_view Regedit5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view LineEnd = "\r\n";

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(Whitespace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(Whitespace) - first + 1);
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

bool isFirstLine(std::string_view line) {
    if (line.starts_with(Utf8ByteOrderMark)) {
        line.remove_prefix(Utf8ByteOrderMark.size());
    }
    line = trimmed(line);
    return line == Regedit4 || line == Regedit5;
}

template <typename Number> std::optional<Number> parseHex(std::string_view digits, std::size_t maxDigits) {
    Number number{};
    if (digits.empty() || digits.size() > maxDigits) {
        return std::nullopt;
    }
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

// Takes a quoted text with its \\ and \" escapes off the front; a backslash before anything else stays.
std::optional<std::string> takeQuoted(std::string_view& text) {
    if (!text.starts_with('"')) {
        return std::nullopt;
    }
    std::string unquoted;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            text.remove_prefix(i + 1);
            return unquoted;
        }
        const bool escape = c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"');
        unquoted += escape ? text[++i] : c;
    }
    return std::nullopt;
}

std::string quoted(std::string_view text) {
    std::string result = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            result += '\\';
        }
        result += c;
    }
    return result + '"';
}

std::optional<std::vector<std::uint8_t>> parseBytes(std::string_view list) {
    std::vector<std::uint8_t> bytes;
    if (trimmed(list).empty()) {
        return bytes;
    }
    for (;;) {
        const std::size_t comma = list.find(',');
        const std::optional<std::uint8_t> byte = parseHex<std::uint8_t>(trimmed(list.substr(0, comma)), 2);
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(*byte);
        if (comma == std::string_view::npos) {
            return bytes;
        }
        list.remove_prefix(comma + 1);
    }
}

// "text", dword:1be, hex:be,01 or hex(b):be,01,00,00,00,00,00,00
std::optional<RegistryValue> parseData(std::string_view data) {
    if (data.starts_with('"')) {
        const std::optional<std::string> text = takeQuoted(data);
        if (!text || !trimmed(data).empty()) {
            return std::nullopt;
        }
        return RegistryValue{StringType, {text->begin(), text->end()}};
    }
    if (startsWithIgnoringCase(data, "dword:")) {
        const std::optional<std::uint32_t> number = parseHex<std::uint32_t>(data.substr(6), 8);
        if (!number) {
            return std::nullopt;
        }
        return RegistryValue{DwordType, littleEndianBytes(*number, DwordSize)};
    }
    if (!startsWithIgnoringCase(data, "hex")) {
        return std::nullopt;
    }
    data.remove_prefix(3);
    std::optional<std::uint32_t> type = BinaryType;
    if (data.starts_with('(')) {
        const std::size_t close = data.find(')');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        type = parseHex<std::uint32_t>(data.substr(1, close - 1), 8);
        data.remove_prefix(close + 1);
    }
    if (!type || !data.starts_with(':')) {
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> bytes = parseBytes(data.substr(1));
    if (!bytes) {
        return std::nullopt;
    }
    return RegistryValue{*type, std::move(*bytes)};
}

struct ParsedValue {
    std::string name;
    std::optional<RegistryValue> value;
};

std::optional<ParsedValue> parseValueLine(std::string_view line) {
    ParsedValue parsed;
    if (line.starts_with('@')) {
        line.remove_prefix(1);
    } else {
        std::optional<std::string> name = takeQuoted(line);
        if (!name) {
            return std::nullopt;
        }
        parsed.name = std::move(*name);
    }
    line = trimmed(line);
    if (!line.starts_with('=')) {
        return std::nullopt;
    }
    const std::string_view data = trimmed(line.substr(1));
    if (data == "-") {
        return parsed;
    }
    parsed.value = parseData(data);
    if (!parsed.value) {
        return std::nullopt;
    }
    return parsed;
}

void appendHex(std::string& text, std::uint64_t number, int digits) {
    constexpr std::string_view HexDigits = "0123456789abcdef";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        text += HexDigits[(number >> shift) & 0xF];
    }
}

// Type numbers take as many digits as they need, without leading zeros: hex(b), hex(10), hex(ffff0001).
int significantHexDigits(std::uint32_t number) {
    return std::max(1, (static_cast<int>(std::bit_width(number)) + 3) / 4);
}

// A string that fits on one line is written as text a person can read; any other as hex(1).
bool fitsQuoted(const RegistryValue& value) {
    return std::ranges::none_of(value.data,
                                [](std::uint8_t byte) { return byte == '\r' || byte == '\n' || byte == 0; });
}

std::string dataText(const RegistryValue& value) {
    std::string text;
    if (value.type == StringType && fitsQuoted(value)) {
        return quoted(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size()));
    }
    if (value.type == DwordType && value.data.size() == DwordSize) {
        text = "dword:";
        appendHex(text, littleEndianNumber(value.data), 8);
        return text;
    }
    if (value.type == BinaryType) {
        text = "hex:";
    } else {
        text = "hex(";
        appendHex(text, value.type, significantHexDigits(value.type));
        text += "):";
    }
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        if (i > 0) {
            text += ',';
        }
        appendHex(text, value.data[i], 2);
    }
    return text;
}

} // namespace

std::vector<std::uint8_t> littleEndianBytes(std::uint64_t number, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(number & 0xFF);
        number >>= 8;
    }
    return bytes;
}

std::uint64_t littleEndianNumber(std::span<const std::uint8_t> bytes) {
    std::uint64_t number = 0;
    for (auto byte = bytes.rbegin(); byte != bytes.rend(); ++byte) {
        number = (number << 8) | *byte;
    }
    return number;
}

bool equalsIgnoringCase(std::string_view left, std::string_view right) {
    return std::ranges::equal(left, right, [](char l, char r) { return asciiLower(l) == asciiLower(r); });
}

bool CaseInsensitiveLess::operator()(std::string_view left, std::string_view right) const {
    return std::ranges::lexicographical_compare(left, right, [](char l, char r) {
        return static_cast<unsigned char>(asciiLower(l)) < static_cast<unsigned char>(asciiLower(r));
    });
}

RegistryFile::RegistryFile() : entries_{Entry::plain(Regedit4), Entry::plain("")} {}

std::optional<RegistryFile> RegistryFile::parse(std::string_view text) {
    const std::vector<std::string_view> lines = splitLines(text);
    if (lines.empty() || !isFirstLine(lines.front())) {
        return std::nullopt;
    }
    RegistryFile file;
    file.entries_ = {Entry::plain(lines.front())};
    bool inSection = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        Entry entry = Entry::plain(lines[i]);
        std::string logical(trimmed(lines[i]));
        if (logical.empty() || logical.starts_with(';')) {
            file.entries_.push_back(std::move(entry));
            continue;
        }
        if (logical.starts_with('[')) {
            if (logical.size() < 3 || !logical.ends_with(']')) {
                return std::nullopt;
            }
            entry.kind = Entry::Kind::Section;
            entry.name = logical.substr(1, logical.size() - 2);
            file.entries_.push_back(std::move(entry));
            inSection = true;
            continue;
        }
        // Long hex data goes on over lines ending in a backslash.
        while (logical.ends_with('\\') && i + 1 < lines.size()) {
            logical.pop_back();
            entry.lines.emplace_back(lines[++i]);
            logical += trimmed(lines[i]);
        }
        std::optional<ParsedValue> parsed = parseValueLine(logical);
        if (!inSection || !parsed) {
            return std::nullopt;
        }
        entry.kind = Entry::Kind::Value;
        entry.name = std::move(parsed->name);
        entry.value = std::move(parsed->value);
        file.entries_.push_back(std::move(entry));
    }
    return file;
}

bool RegistryFile::canHoldName(std::string_view name) {
    return name.find_first_of("\r\n") == name.npos;
}

std::optional<KeyValues> RegistryFile::values(std::string_view keyPath) const {
    std::optional<KeyValues> found;
    bool inKey = false;
    for (const Entry& entry : entries_) {
        if (entry.kind == Entry::Kind::Section) {
            inKey = equalsIgnoringCase(entry.name, keyPath);
            if (inKey && !found) {
                found.emplace();
            }
        } else if (inKey && entry.kind == Entry::Kind::Value && entry.value) {
            found->insert_or_assign(entry.name, *entry.value);
        } else if (inKey && entry.kind == Entry::Kind::Value) {
            found->erase(entry.name);
        }
    }
    return found;
}

void RegistryFile::assign(std::string_view keyPath, std::span<const NamedValue> values) {
    const auto isAssigned = [values](const std::string& name) {
        return std::ranges::any_of(
            values, [&name](const NamedValue& value) { return equalsIgnoringCase(value.name, name); });
    };
    std::vector<Entry> kept;
    std::optional<std::size_t> sectionStart;
    bool inKey = false;
    for (Entry& entry : entries_) {
        if (entry.kind == Entry::Kind::Section) {
            inKey = equalsIgnoringCase(entry.name, keyPath);
        }
        if (inKey && entry.kind == Entry::Kind::Value && isAssigned(entry.name)) {
            continue;
        }
        const bool isFirstHeader = inKey && entry.kind == Entry::Kind::Section && !sectionStart;
        kept.push_back(std::move(entry));
        if (isFirstHeader) {
            sectionStart = kept.size();
        }
    }
    std::vector<Entry> added;
    if (!sectionStart) {
        if (!trimmed(kept.back().lines.back()).empty()) {
            added.push_back(Entry::plain(""));
        }
        Entry header = Entry::plain("[" + std::string(keyPath) + "]");
        header.kind = Entry::Kind::Section;
        header.name = keyPath;
        added.push_back(std::move(header));
    }
    std::ranges::transform(values, std::back_inserter(added), valueEntry);
    if (!sectionStart) {
        added.push_back(Entry::plain(""));
    }
    const auto at = sectionStart ? kept.begin() + static_cast<std::ptrdiff_t>(*sectionStart) : kept.end();
    kept.insert(at, std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    entries_ = std::move(kept);
}

RegistryFile::Entry RegistryFile::Entry::plain(std::string_view line) {
    Entry entry;
    entry.lines.emplace_back(line);
    return entry;
}

RegistryFile::Entry RegistryFile::valueEntry(const NamedValue& value) {
    Entry entry = Entry::plain((value.name.empty() ? "@" : quoted(value.name)) + "=" + dataText(value.value));
    entry.kind = Entry::Kind::Value;
    entry.name = value.name;
    entry.value = value.value;
    return entry;
}

std::string RegistryFile::text() const {
    std::string text;
    for (const Entry& entry : entries_) {
        for (const std::string& line : entry.lines) {
            text += line;
            text += LineEnd;
        }
    }
    return text;
}

} // namespace settings
