#include "Exchange.h"

#include "CsvReader.h"
#include "CsvWriter.h"
#include "Text.h"
#include "VcardReader.h"
#include "VcardWriter.h"

namespace exchange {

std::optional<FileKind> fileKindOf(std::string_view fileName) {
    const std::string name = lowerAscii(fileName);
    if (name.ends_with(".vcf") || name.ends_with(".vcard")) {
        return FileKind::Vcard;
    }
    if (name.ends_with(".csv")) {
        return FileKind::Csv;
    }
    return std::nullopt;
}

ReadResult readContacts(FileKind kind, std::string_view bytes) {
    return kind == FileKind::Vcard ? readVcards(bytes) : readCsv(bytes);
}

void appendExportStart(FileKind kind, std::string& out) {
    if (kind == FileKind::Csv) {
        appendCsvHeading(out);
    }
}

bool appendExportContact(FileKind kind, std::string& out, const ContactView& contact) {
    return kind == FileKind::Vcard ? appendVcard(out, contact) : appendCsvRow(out, contact);
}

} // namespace exchange
