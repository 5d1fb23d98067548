#include "KeyOrder.h"

#include "CodePage.h"

#include <algorithm>

namespace book {

int compareKeys(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int difference =
            upperByte(static_cast<unsigned char>(a[i])) - upperByte(static_cast<unsigned char>(b[i]));
        if (difference != 0) {
            return difference;
        }
    }
    return (a.size() > b.size()) - (a.size() < b.size());
}

} // namespace book
