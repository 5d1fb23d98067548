#include "Records.h"

#include <functional>
#include <string_view>

namespace cardsync {

exchange::ContactView contactView(const book::Record& record) {
    exchange::ContactView view;
    for (int column = 0; column < book::ColumnCount; ++column) {
        view[static_cast<std::size_t>(column)] = record.field(column);
    }
    return view;
}

book::Record recordOf(const exchange::ContactFields& fields) {
    return {fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]};
}

std::size_t RecordHash::operator()(const book::Record& record) const {
    std::size_t hash = 0;
    for (int column = 0; column < book::ColumnCount; ++column) {
        hash = hash * 31 + std::hash<std::string_view>{}(record.field(column));
    }
    return hash;
}

} // namespace cardsync
