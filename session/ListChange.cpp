#include "ListChange.h"

#include "Encoding.h"

#include <stdexcept>

namespace session {

void apply(book::AddressBook& book, const ListChange& change) {
    const auto one = [&change]() -> const book::Record& {
        if (change.records.size() != 1) {
            throw std::invalid_argument("a change of one record without it");
        }
        return change.records.front();
    };
    switch (change.kind) {
    case ListChange::Kind::Add:
        book.add(change.column, one());
        return;
    case ListChange::Kind::AddAll:
        book.addAll(change.column, change.records);
        return;
    case ListChange::Kind::Change:
        book.change(change.index, one(), change.column);
        return;
    case ListChange::Kind::Remove:
        book.remove(change.index);
        return;
    case ListChange::Kind::Sort:
        book.sortByColumn(change.column);
        return;
    }
    throw std::invalid_argument("an unknown change");
}

std::string encode(const ListChange& change) {
    Writer out;
    out.byte(static_cast<std::uint8_t>(change.kind));
    out.number(static_cast<std::uint32_t>(change.index));
    out.byte(static_cast<std::uint8_t>(change.column));
    out.number(static_cast<std::uint32_t>(change.records.size()));
    for (const book::Record& record : change.records) {
        for (int column = 0; column < book::ColumnCount; ++column) {
            out.text(record.field(column));
        }
    }
    return out.take();
}

std::optional<ListChange> decodeChange(std::string_view bytes) {
    Reader in(bytes);
    ListChange change;
    const std::uint8_t kind = in.byte();
    change.kind = static_cast<ListChange::Kind>(kind);
    switch (change.kind) {
    case ListChange::Kind::Add:
    case ListChange::Kind::AddAll:
    case ListChange::Kind::Change:
    case ListChange::Kind::Remove:
    case ListChange::Kind::Sort:
        break;
    default:
        return std::nullopt;
    }
    change.index = static_cast<int>(in.number());
    change.column = in.byte();
    const std::uint32_t count = in.number();
    // Each record takes at least its seven lengths: a damaged count cannot make us reserve gigabytes.
    if (!in.ok() || count > in.left() / (4 * book::ColumnCount) || change.column >= book::ColumnCount ||
        change.index < 0) {
        return std::nullopt;
    }
    change.records.reserve(count);
    for (std::uint32_t at = 0; at < count; ++at) {
        book::Record& record = change.records.emplace_back();
        for (int column = 0; column < book::ColumnCount; ++column) {
            record.setField(column, in.text());
        }
    }
    if (!in.ok() || in.left() != 0) {
        return std::nullopt;
    }
    return change;
}

} // namespace session
