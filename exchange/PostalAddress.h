#pragma once

#include <string>

namespace exchange {

struct PostalAddress {
    std::string poBox;
    std::string extended; // flat, suite, building
    std::string street;
    std::string locality;
    std::string region;
    std::string postalCode;
    std::string country;
};

// The address on one line in the order a letter carries it: "Hauptstr. 5, 10115 Berlin, Germany".
std::string letterLine(const PostalAddress& address);

} // namespace exchange
