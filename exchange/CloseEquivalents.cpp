#include "CloseEquivalents.h"

#include <algorithm>
#include <array>

namespace exchange {

namespace {

// Runs of accented letters that alternate capital and small, starting with the capital.
struct LetterRun {
    char32_t first;
    char32_t last;
    char capital;
};

constexpr std::array<LetterRun, 38> LetterRuns = {{
    {0x0100, 0x0105, 'A'}, {0x0106, 0x010D, 'C'}, {0x010E, 0x0111, 'D'}, {0x0112, 0x011B, 'E'},
    {0x011C, 0x0123, 'G'}, {0x0124, 0x0127, 'H'}, {0x0128, 0x0131, 'I'}, {0x0134, 0x0135, 'J'},
    {0x0136, 0x0137, 'K'}, {0x0139, 0x0142, 'L'}, {0x0143, 0x0148, 'N'}, {0x014A, 0x014B, 'N'},
    {0x014C, 0x0151, 'O'}, {0x0154, 0x0159, 'R'}, {0x015A, 0x015F, 'S'}, {0x0162, 0x0167, 'T'},
    {0x0168, 0x0173, 'U'}, {0x0174, 0x0175, 'W'}, {0x0176, 0x0177, 'Y'}, {0x0179, 0x017C, 'Z'},
    {0x01A0, 0x01A1, 'O'}, {0x01AF, 0x01B0, 'U'}, {0x01CD, 0x01CE, 'A'}, {0x01CF, 0x01D0, 'I'},
    {0x01D1, 0x01D2, 'O'}, {0x01D3, 0x01D4, 'U'}, {0x0218, 0x0219, 'S'}, {0x021A, 0x021B, 'T'},
    {0x1E02, 0x1E03, 'B'}, {0x1E0A, 0x1E0B, 'D'}, {0x1E1E, 0x1E1F, 'F'}, {0x1E40, 0x1E41, 'M'},
    {0x1EA0, 0x1EB7, 'A'}, {0x1EB8, 0x1EC7, 'E'}, {0x1EC8, 0x1ECB, 'I'}, {0x1ECC, 0x1EE3, 'O'},
    {0x1EE4, 0x1EF1, 'U'}, {0x1EF2, 0x1EF9, 'Y'},
}};

struct Equivalent {
    char32_t character;
    std::string_view bytes;
};

// Sorted by character.
constexpr std::array<Equivalent, 47> Equivalents = {{
    {0x0132, "IJ"}, {0x0133, "ij"},   {0x0138, "k"}, {0x0149, "'n"}, {0x017F, "s"},  {0x02B9, "'"},
    {0x02BA, "\""}, {0x02BB, "'"},    {0x02BC, "'"}, {0x1680, " "},  {0x1E9E, "SS"}, {0x200B, ""},
    {0x200C, ""},   {0x200D, ""},     {0x200E, ""},  {0x200F, ""},   {0x2010, "-"},  {0x2011, "-"},
    {0x2012, "-"},  {0x2015, "\x97"}, {0x201B, "'"}, {0x201F, "\""}, {0x2024, "."},  {0x2027, "\xB7"},
    {0x202A, ""},   {0x202B, ""},     {0x202C, ""},  {0x202D, ""},   {0x202E, ""},   {0x202F, " "},
    {0x2032, "'"},  {0x2033, "\""},   {0x2035, "`"}, {0x2043, "-"},  {0x2044, "/"},  {0x205F, " "},
    {0x2060, ""},   {0x2066, ""},     {0x2067, ""},  {0x2068, ""},   {0x2069, ""},   {0x2116, "No"},
    {0x2212, "-"},  {0x2215, "/"},    {0x2236, ":"}, {0x3000, " "},  {0xFEFF, ""},
}};

// Base letters and their precomposed Windows-1252 bytes, for each combining mark.
struct Composition {
    char32_t mark;
    std::string_view bases;
    std::string_view letters;
};

constexpr std::array<Composition, 8> Compositions = {{
    {0x0300, "AEIOUaeiou", "\xC0\xC8\xCC\xD2\xD9\xE0\xE8\xEC\xF2\xF9"},
    {0x0301, "AEIOUYaeiouy", "\xC1\xC9\xCD\xD3\xDA\xDD\xE1\xE9\xED\xF3\xFA\xFD"},
    {0x0302, "AEIOUaeiou", "\xC2\xCA\xCE\xD4\xDB\xE2\xEA\xEE\xF4\xFB"},
    {0x0303, "ANOano", "\xC3\xD1\xD5\xE3\xF1\xF5"},
    {0x0308, "AEIOUYaeiouy", "\xC4\xCB\xCF\xD6\xDC\x9F\xE4\xEB\xEF\xF6\xFC\xFF"},
    {0x030A, "Aa", "\xC5\xE5"},
    {0x030C, "SZsz", "\x8A\x8E\x9A\x9E"},
    {0x0327, "Cc", "\xC7\xE7"},
}};

// Every printable ASCII character once, so that a single one can be handed out as a view.
constexpr std::string_view PrintableAscii =
    " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";

std::string_view asciiCharacter(char32_t character) {
    return PrintableAscii.substr(character - U' ', 1);
}

} // namespace

std::optional<std::string_view> closeEquivalent(char32_t character) {
    for (const LetterRun& run : LetterRuns) {
        if (character >= run.first && character <= run.last) {
            const bool small = (character - run.first) % 2 == 1;
            return asciiCharacter(static_cast<char32_t>(run.capital) + (small ? U'a' - U'A' : 0));
        }
    }
    if (character >= 0x2000 && character <= 0x200A) {
        return " ";
    }
    if (character >= 0xFF01 && character <= 0xFF5E) { // full-width forms of ASCII
        return asciiCharacter(character - 0xFF01 + U'!');
    }
    const auto* found =
        std::lower_bound(Equivalents.begin(), Equivalents.end(), character,
                         [](const Equivalent& entry, char32_t wanted) { return entry.character < wanted; });
    if (found != Equivalents.end() && found->character == character) {
        return found->bytes;
    }
    return std::nullopt;
}

bool isCombiningMark(char32_t character) {
    return character >= 0x0300 && character <= 0x036F;
}

std::optional<unsigned char> composedLetter(unsigned char base, char32_t mark) {
    const auto* composition = std::find_if(Compositions.begin(), Compositions.end(),
                                           [mark](const Composition& entry) { return entry.mark == mark; });
    if (composition == Compositions.end()) {
        return std::nullopt;
    }
    const std::size_t index = composition->bases.find(static_cast<char>(base));
    if (index == std::string_view::npos) {
        return std::nullopt;
    }
    return static_cast<unsigned char>(composition->letters[index]);
}

} // namespace exchange
