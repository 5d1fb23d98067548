// Settings file text: what is read survives a rewrite, and assigning our values changes only them.
#include "FuzzCheck.h"
#include "settings/RegistryFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using settings::KeyValues;
using settings::NamedValue;
using settings::RegistryFile;
using settings::RegistryValue;

constexpr std::string_view OurKey = "HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE";

// The key paths the text names, found without the parser so that every key gets compared.
std::vector<std::string> sectionNames(std::string_view text) {
    std::vector<std::string> names;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        line = line.substr(0, line.find_last_not_of(" \t\r") + 1);
        if (line.size() >= 3 && line.front() == '[' && line.back() == ']') {
            names.emplace_back(line.substr(1, line.size() - 2));
        }
    }
    return names;
}

bool sameValues(const RegistryFile& left, const RegistryFile& right, const std::vector<std::string>& keys) {
    return std::ranges::all_of(keys,
                               [&](const std::string& key) { return left.values(key) == right.values(key); });
}

// Shaped like the program's values, plus one of any type whose name and bytes come from the input.
std::vector<NamedValue> valuesToAssign(std::string_view input) {
    const std::string_view head = input.substr(0, std::min<std::size_t>(input.size(), 12));
    const std::vector<std::uint8_t> bytes(head.begin(), head.end());
    const std::uint64_t number =
        settings::littleEndianNumber(std::span(bytes).first(std::min<std::size_t>(bytes.size(), 8)));
    const std::string_view name = input.substr(0, std::min(input.find_first_of("\r\n"), std::size_t{16}));
    const auto type = static_cast<std::uint32_t>(number >> 8);
    return {{"left", {settings::DwordType, settings::littleEndianBytes(number, settings::DwordSize)}},
            {"g1", {settings::BinaryType, settings::littleEndianBytes(~number, 8)}},
            {std::string(name), {type, bytes}}};
}

RegistryFile reparsed(const RegistryFile& file, const char* what) {
    const std::string text = file.text();
    const std::optional<RegistryFile> again = RegistryFile::parse(text);
    fuzzcheck::require(again.has_value(), what);
    fuzzcheck::require(again->text() == text, "the text read back is written unchanged");
    return *again;
}

void checkAssign(const RegistryFile& original, std::string_view input) {
    const std::vector<NamedValue> assigned = valuesToAssign(input);
    KeyValues expected;
    for (const NamedValue& value : assigned) {
        expected.insert_or_assign(value.name, value.value);
    }
    const KeyValues before = original.values(OurKey).value_or(KeyValues{});
    expected.insert(before.begin(), before.end());

    RegistryFile file = original;
    file.assign(OurKey, assigned);
    RegistryFile again = reparsed(file, "the file with our values assigned can be read");
    fuzzcheck::require(again.values(OurKey) == expected, "our key holds the assigned values and the rest");

    std::vector<std::string> otherKeys = sectionNames(original.text());
    std::erase_if(otherKeys,
                  [](const std::string& key) { return settings::equalsIgnoringCase(key, OurKey); });
    fuzzcheck::require(sameValues(original, again, otherKeys), "other keys keep their values");

    again.assign(OurKey, assigned);
    fuzzcheck::require(again.text() == file.text(), "assigning the same values again changes nothing");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::optional<RegistryFile> parsed = RegistryFile::parse(input);
    if (parsed) {
        const RegistryFile again = reparsed(*parsed, "a file read and written can be read again");
        fuzzcheck::require(sameValues(*parsed, again, sectionNames(input)), "values survive a rewrite");
    }
    // An unreadable file is replaced by a fresh one, as the settings writer does.
    checkAssign(parsed.value_or(RegistryFile()), input);
    return 0;
}
