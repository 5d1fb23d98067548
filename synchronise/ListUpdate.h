#pragma once

#include "session/ListSession.h"
#include "sync/SyncRun.h"

#include <chrono>
#include <cstddef>
#include <vector>

namespace synchronise {

// The sync's changes made on the list through the session, in their order, so that each is in the crash
// journal before the sync goes on. Change and Remove act on the first record equal to the one they name
// and are skipped where there is none (the user changed or deleted it meanwhile); a conflict copy is
// added only when the change it belongs to was made. Additions in a row go in together.
//
// A list that is only the example record shown where there is no "Adressen.txt" yet, untouched by the
// user, is no list of the user's: the records that arrive replace it.
class ListUpdate {
public:
    ListUpdate(session::ListSession& list, std::vector<cardsync::LocalChange> changes, bool replaceExample);

    // Makes changes until the time is up (at least one); true once every change is made or skipped.
    bool advance(int keyColumn, std::chrono::steady_clock::duration budget);
    bool done() const { return next_ == changes_.size(); }

    // For each change, whether it was made.
    const std::vector<bool>& applied() const { return applied_; }

private:
    bool mayAdd(std::size_t index) const;
    void addRun(int keyColumn);
    void changeOne(std::size_t index, int keyColumn);
    void dropExample();

    session::ListSession& list_;
    std::vector<cardsync::LocalChange> changes_;
    std::vector<bool> applied_;
    std::size_t next_ = 0;
    bool replaceExample_;
};

// The index of the first record equal to this one, or -1.
int firstRecordEqualTo(const book::AddressTable& table, const book::Record& record);

} // namespace synchronise
