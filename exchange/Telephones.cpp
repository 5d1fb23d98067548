#include "Telephones.h"

#include "Text.h"

namespace exchange {

namespace {

constexpr std::string_view Separator = " / ";
constexpr std::string_view Scheme = "tel:";

// "tel: tel:1" is the number 1 too, so that a number read once reads the same again.
std::string_view number(std::string_view part) {
    part = trimmed(part);
    while (startsWithIgnoringAsciiCase(part, Scheme)) {
        part = trimmed(part.substr(Scheme.size()));
    }
    return part;
}

} // namespace

std::vector<std::string_view> telephoneParts(std::string_view field) {
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t end = field.find(Separator);
        const std::string_view part = number(field.substr(0, end));
        if (!part.empty()) {
            parts.push_back(part);
        }
        if (end == std::string_view::npos) {
            return parts;
        }
        field.remove_prefix(end + Separator.size());
    }
}

std::string tidyTelephones(std::string_view field) {
    std::string tidy;
    for (const std::string_view part : telephoneParts(field)) {
        if (!tidy.empty()) {
            tidy += Separator;
        }
        tidy += part;
    }
    return tidy;
}

} // namespace exchange
