#include "ListExchange.h"

#include "Exchange.h"
#include "files/FileError.h"
#include "files/ReadFile.h"
#include "files/ReplacementFile.h"

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace exchange {

namespace {

constexpr std::size_t ContactsPerWrite = 4096;

std::string neitherKind(const std::filesystem::path& file) {
    return file.filename().string() + " is neither a vCard (.vcf, .vcard) nor a CSV file (.csv)";
}

} // namespace

ReadResult readContactsFile(const std::filesystem::path& file) {
    const std::optional<FileKind> kind = fileKindOf(file.filename().string());
    if (!kind) {
        ReadResult result;
        result.fault = neitherKind(file);
        return result;
    }
    try {
        const std::optional<files::FileContents> contents = files::readFile(file);
        if (!contents) {
            throw files::FileError(ENOENT, file);
        }
        return readContacts(*kind, contents->bytes);
    } catch (const files::FileError& error) {
        throw book::toIoError(error);
    }
}

std::vector<book::Record> toRecords(const ReadResult& contacts) {
    std::vector<book::Record> records;
    records.reserve(contacts.contacts.size());
    for (const ContactFields& fields : contacts.contacts) {
        records.push_back(
            book::Record{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]});
    }
    return records;
}

std::size_t writeListFile(const book::AddressTable& table, const std::filesystem::path& file) {
    const std::optional<FileKind> kind = fileKindOf(file.filename().string());
    if (!kind) {
        throw std::invalid_argument(neitherKind(file));
    }
    std::size_t written = 0;
    try {
        files::ReplacementFile replacement(file);
        std::string bytes;
        appendExportStart(*kind, bytes);
        for (int index = 0; index < table.recordCount(); ++index) {
            ContactView contact;
            for (std::size_t column = 0; column < book::ColumnCount; ++column) {
                contact[column] = table.cell(static_cast<int>(column), index);
            }
            written += appendExportContact(*kind, bytes, contact) ? 1U : 0U;
            if (static_cast<std::size_t>(index + 1) % ContactsPerWrite == 0) {
                replacement.write(bytes);
                bytes.clear();
            }
        }
        replacement.write(bytes);
        replacement.finish();
        replacement.putInPlace();
    } catch (const files::FileError& error) {
        throw book::toIoError(error);
    }
    return written;
}

} // namespace exchange
