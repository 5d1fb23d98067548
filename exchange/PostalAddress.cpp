#include "PostalAddress.h"

#include "Text.h"

namespace exchange {

std::string letterLine(const PostalAddress& address) {
    const std::string town = joinNonEmpty({address.postalCode, address.locality}, " ");
    return joinNonEmpty(
        {address.street, address.extended, address.poBox, town, address.region, address.country}, ", ");
}

} // namespace exchange
