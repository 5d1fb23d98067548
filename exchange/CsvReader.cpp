#include "CsvReader.h"

#include "CsvHeadings.h"
#include "CsvRecords.h"
#include "FullName.h"
#include "PostalAddress.h"
#include "Text.h"
#include "Utf8.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace exchange {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// With a mark the file is UTF-8 or UTF-16; without, UTF-8 when it is valid UTF-8, else the Windows
// code page a spreadsheet saved it in.
std::string utf8Text(std::string_view bytes) {
    if (std::optional<std::string> fromUtf16 = utf8FromMarkedUtf16(bytes)) {
        return std::move(*fromUtf16);
    }
    if (bytes.starts_with(ByteOrderMark)) {
        return std::string(bytes.substr(ByteOrderMark.size()));
    }
    return utf8FromCharset(bytes);
}

// "sep=;" on the first line tells a spreadsheet the separator.
std::optional<char> namedSeparator(std::string_view text) {
    const std::string_view first = text.substr(0, text.find_first_of("\r\n"));
    if (first.size() == 5 && startsWithIgnoringAsciiCase(first, "sep=") && first[4] != '"') {
        return first[4];
    }
    return std::nullopt;
}

bool isBlankRow(const std::vector<std::string>& fields) {
    return std::ranges::all_of(fields, [](const std::string& field) { return trimmed(field).empty(); });
}

struct ColumnRole {
    CsvRole role;
    std::size_t address; // which of the file's addresses a part belongs to
};

// One address of a row, as its cells fill it.
struct RowAddress {
    std::size_t address;
    PostalAddress parts;
    std::string formatted;
};

// Where each kind of field is, worked out once from the heading line. A row costs only its own
// cells, however many columns the heading names.
class ColumnMap {
public:
    explicit ColumnMap(const std::vector<std::string>& headings) {
        std::vector<std::optional<CsvHeading>> found;
        for (const std::string& heading : headings) {
            found.push_back(csvHeading(trimmed(heading)));
        }
        const auto has = [&](CsvRole role) {
            return std::ranges::any_of(
                found, [role](const auto& heading) { return heading && heading->role == role; });
        };
        // "Name" beside "First Name" is the family name; alone or beside "Last Name" it is the whole name.
        const CsvRole name =
            has(CsvRole::GivenName) && !has(CsvRole::FamilyName) ? CsvRole::FamilyName : CsvRole::FullName;
        std::unordered_map<std::string, std::size_t> groups; // to its index, in order of appearance
        for (const std::optional<CsvHeading>& heading : found) {
            if (!heading) {
                columns_.emplace_back();
                continue;
            }
            const auto group = groups.try_emplace(heading->group, groups.size()).first;
            columns_.push_back(
                ColumnRole{heading->role == CsvRole::Name ? name : heading->role, group->second});
        }
        // Home addresses first: this is a personal list.
        addressRanks_.resize(groups.size());
        for (const auto& [group, index] : groups) {
            addressRanks_[index] = (group.find("home") != std::string::npos ? 0 : groups.size()) + index;
        }
        slotOfAddress_.assign(groups.size(), NoSlot);
    }

    bool empty() const {
        return std::ranges::none_of(columns_, [](const auto& column) { return column.has_value(); });
    }

    ContactText contact(const std::vector<std::string>& fields) {
        Row row;
        for (std::size_t column = 0; column < std::min(fields.size(), columns_.size()); ++column) {
            if (columns_[column] && !fields[column].empty()) {
                add(row, *columns_[column], fields[column]);
            }
        }
        for (const RowAddress& address : row.addresses) {
            slotOfAddress_[address.address] = NoSlot;
        }
        ContactText text;
        text[column::Name] = row.family;
        text[column::Firstname] = joinNonEmpty({row.given, row.middle}, " ");
        if (row.family.empty() && text[column::Firstname].empty()) {
            const std::string fullName(trimmed(row.fullName));
            const std::string company(trimmed(row.company));
            if (fullName.empty() || fullName == company) {
                text[column::Name] = fullName.empty() ? company : fullName;
            } else {
                NameParts parts = splitFullName(fullName);
                text[column::Name] = std::move(parts.family);
                text[column::Firstname] = std::move(parts.given);
            }
        }
        text[column::Alias] = row.nickname;
        text[column::Address] = address(row.addresses);
        text[column::Telephone] = joinNonEmpty(row.numbers, " / ");
        text[column::Email] = row.email;
        text[column::Note] = joinNonEmpty(row.notes, "; ");
        return text;
    }

private:
    static constexpr std::size_t NoSlot = static_cast<std::size_t>(-1);

    struct Row {
        std::string family, given, middle, fullName, company, nickname, email;
        std::vector<std::string> numbers, notes;
        std::vector<RowAddress> addresses;
    };

    static void keepFirst(std::string& kept, const std::string& cell) {
        if (kept.empty()) {
            kept = cell;
        }
    }

    void add(Row& row, const ColumnRole& column, const std::string& cell) {
        switch (column.role) {
        case CsvRole::FamilyName:
            return keepFirst(row.family, cell);
        case CsvRole::GivenName:
            return keepFirst(row.given, cell);
        case CsvRole::MiddleName:
            return keepFirst(row.middle, cell);
        case CsvRole::FullName:
            return keepFirst(row.fullName, cell);
        case CsvRole::Company:
            return keepFirst(row.company, cell);
        case CsvRole::Nickname:
            return keepFirst(row.nickname, cell);
        case CsvRole::Email:
            return keepFirst(row.email, cell);
        case CsvRole::Telephone:
            return row.numbers.push_back(cell);
        case CsvRole::Note:
            return row.notes.push_back(cell);
        default:
            return addAddressPart(row, column, cell);
        }
    }

    void addAddressPart(Row& row, const ColumnRole& column, const std::string& cell) {
        std::size_t& slot = slotOfAddress_[column.address];
        if (slot == NoSlot) {
            slot = row.addresses.size();
            row.addresses.push_back({column.address, {}, {}});
        }
        RowAddress& address = row.addresses[slot];
        appendPart(column.role == CsvRole::FormattedAddress ? address.formatted
                                                            : partOf(address.parts, column.role),
                   cell);
    }

    // The first address of the row that has anything, from its parts or else as written out whole.
    std::string address(const std::vector<RowAddress>& addresses) const {
        const RowAddress* best = nullptr;
        for (const RowAddress& address : addresses) {
            if (best == nullptr || addressRanks_[address.address] < addressRanks_[best->address]) {
                best = &address;
            }
        }
        if (best == nullptr) {
            return {};
        }
        std::string line = letterLine(best->parts);
        return line.empty() ? best->formatted : line;
    }

    static std::string& partOf(PostalAddress& parts, CsvRole role) {
        switch (role) {
        case CsvRole::ExtendedAddress:
            return parts.extended;
        case CsvRole::PoBox:
            return parts.poBox;
        case CsvRole::Locality:
            return parts.locality;
        case CsvRole::Region:
            return parts.region;
        case CsvRole::PostalCode:
            return parts.postalCode;
        case CsvRole::Country:
            return parts.country;
        default:
            return parts.street;
        }
    }

    // "Street 2" and "Street 3" go after the first street line.
    static void appendPart(std::string& part, std::string_view text) {
        part += (part.empty() ? "" : ", ") + std::string(text);
    }

    std::vector<std::optional<ColumnRole>> columns_;
    std::vector<std::size_t> addressRanks_;
    std::vector<std::size_t> slotOfAddress_; // during a row: where an address is in Row::addresses
};

} // namespace

ReadResult readCsv(std::string_view bytes) {
    ContactCollector collector;
    const std::string text = utf8Text(bytes);
    const std::optional<char> named = namedSeparator(text);
    // Blank lines before the headings say nothing about the separator.
    const std::size_t firstText = std::min(text.find_first_not_of("\r\n"), text.size());
    CsvRecordReader records(text, named ? *named : detectSeparator(std::string_view(text).substr(firstText)));
    if (named) {
        records.skipLine();
    }
    std::vector<std::string> fields;
    std::size_t line = 0;
    CsvRecordReader::Outcome outcome = CsvRecordReader::Outcome::Record;
    while ((outcome = records.next(fields, line)) == CsvRecordReader::Outcome::Record && isBlankRow(fields)) {
    }
    if (outcome == CsvRecordReader::Outcome::End) {
        return collector.take(); // nothing but blank lines
    }
    ColumnMap columns(fields);
    if (outcome == CsvRecordReader::Outcome::UnclosedQuote || columns.empty()) {
        collector.fail("line " + std::to_string(line) + " names none of the known columns (such as Name, " +
                       "First Name, Phone or E-mail)");
        return collector.take();
    }
    while ((outcome = records.next(fields, line)) == CsvRecordReader::Outcome::Record) {
        if (!isBlankRow(fields)) {
            collector.add(columns.contact(fields), "line " + std::to_string(line));
        }
    }
    if (outcome == CsvRecordReader::Outcome::UnclosedQuote) {
        collector.skip("line " + std::to_string(line) +
                       " opens a quote that is never closed, so the rest of the file was not read");
    }
    return collector.take();
}

} // namespace exchange
