#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The text of a registry export file: a first line naming the format, then sections "[key path]" with
// one value a line ("name"=data). Every line read is kept, so a rewrite changes only what it assigns.
namespace settings {

// Registry type numbers, as hex(N): writes them.
inline constexpr std::uint32_t StringType = 1;
inline constexpr std::uint32_t BinaryType = 3;
inline constexpr std::uint32_t DwordType = 4;
inline constexpr std::size_t DwordSize = 4;

struct RegistryValue {
    std::uint32_t type = BinaryType;
    std::vector<std::uint8_t> data; // a string's bytes carry no terminator
    bool operator==(const RegistryValue&) const = default;
};

struct NamedValue {
    std::string name; // empty for the default value "@"
    RegistryValue value;
};

std::vector<std::uint8_t> littleEndianBytes(std::uint64_t number, std::size_t count);
std::uint64_t littleEndianNumber(std::span<const std::uint8_t> bytes); // at most eight bytes

// Key paths and value names compare as in the registry: letters without regard to case (ASCII only).
bool equalsIgnoringCase(std::string_view left, std::string_view right);
struct CaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(std::string_view left, std::string_view right) const;
};

using KeyValues = std::map<std::string, RegistryValue, CaseInsensitiveLess>;

class RegistryFile {
public:
    // An empty "REGEDIT4" file.
    RegistryFile();

    // Nothing when the text is not an export file: another first line, a value outside any section,
    // or a line that is neither blank, comment, section nor a well-formed value. LF or CR LF.
    static std::optional<RegistryFile> parse(std::string_view text);

    // Whether a value of this name fits on a line of the file.
    static bool canHoldName(std::string_view name);

    // The key's values, later lines overriding earlier ones; nothing when no section names the key.
    std::optional<KeyValues> values(std::string_view keyPath) const;

    // Puts the values, in their order, first into the key's section (appended when missing), and drops
    // the lines that held values of the same names.
    void assign(std::string_view keyPath, std::span<const NamedValue> values);

    // Lines end in CR LF.
    std::string text() const;

private:
    // One line as read, or a value with its continuation lines.
    struct Entry {
        enum class Kind { Plain, Section, Value }; // Plain: first line, blank line or comment
        Kind kind = Kind::Plain;
        std::vector<std::string> lines;
        std::string name;                   // the section's key path or the value's name
        std::optional<RegistryValue> value; // nothing for a deletion ("name"=-)

        static Entry plain(std::string_view line);
    };

    static Entry valueEntry(const NamedValue& value);

    std::vector<Entry> entries_; // from the first line on
};

} // namespace settings
