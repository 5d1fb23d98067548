// vCard files: every field read fits the address file, and reading what the writer wrote gives the
// same contacts again.
#include "FuzzCheck.h"
#include "exchange/VcardReader.h"
#include "exchange/VcardWriter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using exchange::ContactFields;
using exchange::ReadResult;

// What the address file cannot hold or would not read back: its separator, line ends, the end-of-file
// mark and the other controls, and the five bytes the code page leaves undefined.
bool isStorable(std::string_view field) {
    return std::ranges::none_of(field, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || byte == '|' || byte == 0x81 || byte == 0x8D || byte == 0x8F ||
               byte == 0x90 || byte == 0x9D;
    });
}

std::string written(const ReadResult& result) {
    std::string out;
    for (const ContactFields& contact : result.contacts) {
        exchange::ContactView view;
        std::ranges::copy(contact, view.begin());
        fuzzcheck::require(exchange::appendVcard(out, view), "a contact read is never blank");
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReadResult first =
        exchange::readVcards(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const ContactFields& contact : first.contacts) {
        fuzzcheck::require(std::ranges::all_of(contact, isStorable), "every field fits the address file");
    }
    fuzzcheck::require(first.changedCount <= first.contacts.size(), "no more changed than read");
    fuzzcheck::require(!exchange::summaryText(first).empty(), "there is a summary");

    const std::string out = written(first);
    const ReadResult second = exchange::readVcards(out);
    fuzzcheck::require(second.contacts == first.contacts, "reading what was written gives the same contacts");
    fuzzcheck::require(second.changedCount == 0 && second.skipped.empty() && second.fault.empty(),
                       "what was written reads without a change or a skip");
    fuzzcheck::require(written(second) == out, "a second write gives the same bytes");
    return 0;
}
