#include "CsvReader.h"

#include "CsvHeadings.h"
#include "CsvRecords.h"
#include "FullName.h"
#include "PostalAddress.h"
#include "Text.h"
#include "Utf8.h"

#include <algorithm>
#include <optional>

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

struct AddressColumns {
    std::string group;
    std::vector<std::pair<std::size_t, CsvRole>> columns;
};

// Where each kind of field is, worked out once from the heading line.
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
        for (std::size_t column = 0; column < found.size(); ++column) {
            if (found[column]) {
                add(column, found[column]->role == CsvRole::Name ? name : found[column]->role,
                    found[column]->group);
            }
        }
        // Home addresses first: this is a personal list.
        std::stable_partition(addresses_.begin(), addresses_.end(), [](const AddressColumns& address) {
            return address.group.find("home") != std::string::npos;
        });
    }

    bool empty() const { return roles_.empty() && addresses_.empty(); }

    ContactText contact(const std::vector<std::string>& fields) const {
        ContactText text;
        text[column::Name] = first(fields, CsvRole::FamilyName);
        text[column::Firstname] =
            joinNonEmpty({first(fields, CsvRole::GivenName), first(fields, CsvRole::MiddleName)}, " ");
        if (text[column::Name].empty() && text[column::Firstname].empty()) {
            const std::string fullName(trimmed(first(fields, CsvRole::FullName)));
            const std::string company(trimmed(first(fields, CsvRole::Company)));
            if (fullName.empty() || fullName == company) {
                text[column::Name] = fullName.empty() ? company : fullName;
            } else {
                NameParts parts = splitFullName(fullName);
                text[column::Name] = std::move(parts.family);
                text[column::Firstname] = std::move(parts.given);
            }
        }
        text[column::Alias] = first(fields, CsvRole::Nickname);
        text[column::Address] = address(fields);
        text[column::Telephone] = joinNonEmpty(all(fields, CsvRole::Telephone), " / ");
        text[column::Email] = first(fields, CsvRole::Email);
        text[column::Note] = joinNonEmpty(all(fields, CsvRole::Note), "; ");
        return text;
    }

private:
    static bool isAddressPart(CsvRole role) {
        return role >= CsvRole::FormattedAddress && role <= CsvRole::Country;
    }

    void add(std::size_t column, CsvRole role, const std::string& group) {
        if (!isAddressPart(role)) {
            roles_.emplace_back(column, role);
            return;
        }
        auto address = std::ranges::find(addresses_, group, &AddressColumns::group);
        if (address == addresses_.end()) {
            address = addresses_.insert(addresses_.end(), AddressColumns{group, {}});
        }
        address->columns.emplace_back(column, role);
    }

    static std::string_view cell(const std::vector<std::string>& fields, std::size_t column) {
        return column < fields.size() ? std::string_view(fields[column]) : std::string_view{};
    }

    std::string first(const std::vector<std::string>& fields, CsvRole role) const {
        for (const auto& [column, columnRole] : roles_) {
            if (columnRole == role && !cell(fields, column).empty()) {
                return std::string(cell(fields, column));
            }
        }
        return {};
    }

    std::vector<std::string> all(const std::vector<std::string>& fields, CsvRole role) const {
        std::vector<std::string> texts;
        for (const auto& [column, columnRole] : roles_) {
            if (columnRole == role) {
                texts.emplace_back(cell(fields, column));
            }
        }
        return texts;
    }

    // The first address of the row that has anything, from its parts or else as written out whole.
    std::string address(const std::vector<std::string>& fields) const {
        for (const AddressColumns& address : addresses_) {
            PostalAddress parts;
            std::string formatted;
            for (const auto& [column, role] : address.columns) {
                appendPart(role == CsvRole::FormattedAddress ? formatted : partOf(parts, role),
                           cell(fields, column));
            }
            std::string line = letterLine(parts);
            if (!line.empty()) {
                return line;
            }
            if (!formatted.empty()) {
                return formatted;
            }
        }
        return {};
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
        if (!text.empty()) {
            part += (part.empty() ? "" : ", ") + std::string(text);
        }
    }

    std::vector<std::pair<std::size_t, CsvRole>> roles_;
    std::vector<AddressColumns> addresses_;
};

} // namespace

ReadResult readCsv(std::string_view bytes) {
    ContactCollector collector;
    const std::string text = utf8Text(bytes);
    const std::optional<char> named = namedSeparator(text);
    CsvRecordReader records(text, named ? *named : detectSeparator(text));
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
    const ColumnMap columns(fields);
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
