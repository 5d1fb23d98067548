#include "Merge.h"

#include "exchange/Contacts.h"

#include <string>

namespace cardsync {

bool isConflictCopy(const book::Record& record) {
    return record.field(exchange::column::Note).starts_with(ConflictMark);
}

Merged mergeRecords(const book::Record& base, const book::Record& here, const book::Record& there) {
    Merged merged{there, std::nullopt};
    book::Record copy = there;
    bool conflict = false;
    for (int column = 0; column < book::ColumnCount; ++column) {
        const std::string_view was = base.field(column);
        const std::string_view mine = here.field(column);
        const std::string_view theirs = there.field(column);
        if (mine == was || mine == theirs) {
            continue;
        }
        copy.setField(column, mine);
        if (theirs == was) {
            merged.record.setField(column, mine);
        } else {
            conflict = true;
        }
    }
    if (conflict) {
        constexpr int Note = static_cast<int>(exchange::column::Note);
        const std::string note(copy.field(Note));
        copy.setField(Note,
                      note.empty() ? std::string(ConflictMark) : std::string(ConflictMark) + ": " + note);
        merged.copy = std::move(copy);
    }
    return merged;
}

} // namespace cardsync
