#include "AddressList.h"

#include <array>
#include <random>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 24> NameStarts = {
    "Berg",  "Schmi", "M\xfcl", "Wag",   "Sch\xe4",  "Hoff", "Kra",   "Neu",
    "Wei",   "Zimm",  "Br\xfc", "Lang",  "Hart",     "Kell", "Fisch", "Bau",
    "\xd6z", "Richt", "Wolf",   "Klein", "Sch\xf6n", "Vogt", "Fried", "Ander"};
constexpr std::array<std::string_view, 16> NameEnds = {"mann", "er", "ler", "ner", "fer", "t",   "dt", "ke",
                                                       "rich", "s",  "en",  "el",  "ig",  "hof", "ow", "son"};
constexpr std::array<std::string_view, 24> FirstNames = {
    "Anna",  "Peter", "J\xfcrgen", "Maria",   "Thomas", "Sabine",  "Michael", "Claudia",
    "Klaus", "Eva",   "Stefan",    "Ren\xe9", "Julia",  "Andreas", "Monika",  "Frank",
    "Petra", "Uwe",   "Birgit",    "Tom",     "Lena",   "Jan",     "Ute",     "Bj\xf6rn"};
constexpr std::array<std::string_view, 12> Streets = {"Hauptstr.", "Gartenweg",  "Bahnhofstr.", "Lindenallee",
                                                      "Am Markt",  "Kirchgasse", "Rosenweg",    "Bergstr.",
                                                      "Schulstr.", "Feldweg",    "Ringstr.",    "Talstr."};
constexpr std::array<std::string_view, 10> Towns = {"Berlin", "K\xf6ln", "Hamburg", "M\xfcnchen", "Essen",
                                                    "Bonn",   "Kiel",    "Ulm",     "Dresden",    "Trier"};

template <std::size_t N>
std::string_view pick(std::mt19937& random, const std::array<std::string_view, N>& items) {
    return items[random() % N];
}

std::string digits(std::mt19937& random, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text.push_back(static_cast<char>('0' + random() % 10));
    }
    return text;
}

} // namespace

std::string generateAddressText(int records) {
    std::mt19937 random(20240501);
    std::string text;
    text.reserve(static_cast<std::size_t>(records) * 90);
    for (int i = 0; i < records; ++i) {
        const std::string name = std::string(pick(random, NameStarts)) + std::string(pick(random, NameEnds));
        const std::string_view first = pick(random, FirstNames);
        text += name + "|" + std::string(first) + "|";
        if (random() % 4 == 0) {
            text += first.substr(0, 3);
        }
        text += "|" + std::string(pick(random, Streets)) + " " + std::to_string(1 + random() % 120) + ", " +
                digits(random, 5) + " " + std::string(pick(random, Towns));
        const std::string area = digits(random, 3);
        text += "|0" + area + " " + digits(random, 6);
        if (random() % 2 == 0) {
            text += " / 0" + area + " " + digits(random, 6);
        }
        text += "|" + std::string(first) + "." + name + "@example.com|";
        if (random() % 5 < 2) {
            text +=
                "Geb. " + std::to_string(1 + random() % 28) + "." + std::to_string(1 + random() % 12) + ".";
        }
        text += "\r\n";
    }
    return text;
}
