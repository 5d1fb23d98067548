#pragma once

#include <span>
#include <vector>

namespace book {

// Told of every change of the list where it happens, so that a view can follow each record: a change
// of the list's shape is announced before it is made and confirmed after it, and nothing can fail in
// between; a record rewritten in place is told once it is.
class ListObserver {
public:
    virtual ~ListObserver() = default;

    virtual void recordsInserting(int first, int count) = 0;
    virtual void recordsInserted() = 0;
    virtual void recordRemoving(int index) = 0;
    virtual void recordRemoved() = 0;
    // to: where the record stands once it moved.
    virtual void recordMoving(int from, int to) = 0;
    virtual void recordMoved() = 0;
    virtual void recordChanged(int index) = 0;
    // The records put in another order (a sort, new records merged into place): the observer names the
    // records it follows and then learns where each of them went.
    virtual std::vector<int> recordsReordering() = 0;
    virtual void recordsReordered(std::span<const int> newIndexes) = 0;
    // A new list altogether (loaded, or recovered).
    virtual void listReplacing() = 0;
    virtual void listReplaced() = 0;
};

} // namespace book
