#include "VcardValue.h"

#include <algorithm>
#include <optional>

namespace exchange {

namespace {

std::optional<int> hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return std::nullopt;
}

std::vector<std::string> unescaped(std::string_view value, bool splitComponents,
                                   std::string_view listJoiner) {
    std::vector<std::string> components(1);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char escaped = value[++i];
            if (escaped == 'n' || escaped == 'N') {
                components.back() += '\n';
            } else if (escaped == '\\' || escaped == ',' || escaped == ';' || escaped == ':') {
                components.back() += escaped;
            } else { // not an escape: a Windows path in a note, say
                components.back() += c;
                components.back() += escaped;
            }
        } else if (c == ';' && splitComponents) {
            components.emplace_back();
        } else if (c == ',') {
            components.back() += listJoiner;
        } else {
            components.back() += c;
        }
    }
    return components;
}

} // namespace

std::string decodeQuotedPrintable(std::string_view value) {
    std::string decoded;
    decoded.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '=' && i + 2 < value.size()) {
            const auto high = hexDigit(value[i + 1]);
            const auto low = hexDigit(value[i + 2]);
            if (high && low) {
                decoded += static_cast<char>(*high * 16 + *low);
                i += 2;
                continue;
            }
        }
        decoded += value[i];
    }
    return decoded;
}

std::string decodeParameterValue(std::string_view value) {
    std::string decoded;
    decoded.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '^' && i + 1 < value.size()) {
            const char escaped = value[i + 1];
            if (escaped == 'n' || escaped == '^' || escaped == '\'') {
                decoded += escaped == 'n' ? '\n' : escaped == '^' ? '^' : '"';
                ++i;
                continue;
            }
        }
        decoded += value[i];
    }
    return decoded;
}

std::vector<std::string> vcardComponents(std::string_view value, std::string_view listJoiner) {
    return unescaped(value, true, listJoiner);
}

std::vector<std::string_view> rawComponents(std::string_view value) {
    std::vector<std::string_view> components;
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\') {
            ++i;
        } else if (value[i] == ';') {
            components.push_back(value.substr(start, i - start));
            start = i + 1;
        }
    }
    components.push_back(value.substr(std::min(start, value.size())));
    return components;
}

std::string vcardText(std::string_view value, std::string_view listJoiner) {
    return std::move(unescaped(value, false, listJoiner).front());
}

} // namespace exchange
