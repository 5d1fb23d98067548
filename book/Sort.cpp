#include "Sort.h"

#include "CodePage.h"
#include "KeyOrder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace book {

namespace {

using RowRef = AddressTable::Reference;

// The table is sorted a chunk of rows at a time, then the sorted chunks are merged in place: that bounds
// what the sort needs beside the table to about a megabyte, whatever its size.
constexpr std::size_t ChunkRows = std::size_t{1} << 15;

// In a chunk every row gets one 64-bit number: the next few upper-cased bytes of its key, how many bytes
// the key has left (capped at one more than were taken), and the row's place in the chunk. Sorting the
// numbers sorts by key and keeps equal keys in their order. Rows whose taken bytes tie and whose keys
// go on are sorted again on their next bytes, until the keys differ or end.
constexpr int LengthBits = 4;

// Least significant byte first, skipping the bytes all numbers share: for a chunk this is several times
// faster than comparing.
void radixSort(std::span<std::uint64_t> numbers, std::vector<std::uint64_t>& spare) {
    constexpr std::size_t FewNumbers = 256;
    if (numbers.size() < FewNumbers) {
        std::sort(numbers.begin(), numbers.end());
        return;
    }
    std::array<std::array<std::size_t, 256>, 8> counts{};
    for (const std::uint64_t number : numbers) {
        for (std::size_t digit = 0; digit < counts.size(); ++digit) {
            ++counts[digit][(number >> (8 * digit)) & 0xFF];
        }
    }
    spare.resize(numbers.size());
    std::span<std::uint64_t> from = numbers;
    std::span<std::uint64_t> to(spare.data(), numbers.size());
    for (std::size_t digit = 0; digit < counts.size(); ++digit) {
        std::array<std::size_t, 256>& count = counts[digit];
        if (count[(numbers.front() >> (8 * digit)) & 0xFF] == numbers.size()) {
            continue;
        }
        std::size_t next = 0;
        for (std::size_t& slot : count) {
            next += std::exchange(slot, next);
        }
        for (const std::uint64_t number : from) {
            to[count[(number >> (8 * digit)) & 0xFF]++] = number;
        }
        std::swap(from, to);
    }
    if (from.data() != numbers.data()) {
        std::copy(from.begin(), from.end(), numbers.begin());
    }
}

// Keys has key(RowRef), the key cell of a row, and lineStart(RowRef), where its line begins: rows lie all
// over the table's buffer once it was sorted, and asking the processor for them ahead hides the wait.
constexpr std::size_t PrefetchDistance = 16;

template <typename Keys> class ChunkSort {
public:
    // numbers, spare and cells are room to work in, kept from one chunk to the next.
    ChunkSort(std::span<RowRef> rows, const Keys& keys, std::vector<std::uint64_t>& numbers,
              std::vector<std::uint64_t>& spare, std::vector<std::string_view>& cells)
        : rows_(rows), keys_(keys), numbers_(numbers), spare_(spare), cells_(cells),
          placeBits_(std::max(1, static_cast<int>(std::bit_width(rows.size() - 1)))),
          takenBytes_(static_cast<std::size_t>((64 - placeBits_ - LengthBits) / 8)) {}

    void run() {
        // Each key is found in its line once; the later rounds read its bytes straight away.
        numbers_.resize(rows_.size());
        cells_.resize(rows_.size());
        for (std::size_t place = 0; place < rows_.size(); ++place) {
            if (place + PrefetchDistance < rows_.size()) {
                __builtin_prefetch(keys_.lineStart(rows_[place + PrefetchDistance]));
            }
            numbers_[place] = place;
            cells_[place] = keys_.key(rows_[place]);
        }
        pending_.push_back({0, rows_.size(), 0});
        while (!pending_.empty()) {
            const Range range = pending_.back();
            pending_.pop_back();
            sortRange(range);
        }
        // The numbers now name the old places in the new order.
        for (std::uint64_t& number : numbers_) {
            number = rows_[place(number)];
        }
        std::copy(numbers_.begin(), numbers_.end(), rows_.begin());
    }

private:
    struct Range {
        std::size_t begin;
        std::size_t end;
        std::size_t depth; // key bytes already known to be equal
    };

    std::size_t place(std::uint64_t number) const {
        return static_cast<std::size_t>(number & ((std::uint64_t{1} << placeBits_) - 1));
    }

    std::uint64_t keyPart(std::size_t row, std::size_t depth) const {
        const std::string_view key = cells_[row];
        std::uint64_t taken = 0;
        for (std::size_t index = depth; index < depth + takenBytes_; ++index) {
            taken =
                (taken << 8) | (index < key.size() ? upperByte(static_cast<unsigned char>(key[index])) : 0U);
        }
        const std::size_t left = key.size() > depth ? key.size() - depth : 0;
        return (taken << LengthBits) | std::min<std::size_t>(left, takenBytes_ + 1);
    }

    // Long keys that agree far on: skip all that the whole range agrees on, in one pass.
    std::size_t commonDepth(const Range& range) const {
        const std::string_view first = cells_[place(numbers_[range.begin])];
        std::size_t common = first.size();
        for (std::size_t index = range.begin + 1; index < range.end && common > range.depth; ++index) {
            const std::string_view key = cells_[place(numbers_[index])];
            std::size_t depth = range.depth;
            const std::size_t limit = std::min(common, key.size());
            while (depth < limit && upperByte(static_cast<unsigned char>(first[depth])) ==
                                        upperByte(static_cast<unsigned char>(key[depth]))) {
                ++depth;
            }
            common = depth;
        }
        return std::max(common, range.depth);
    }

    void sortRange(Range range) {
        if (range.depth >= 2 * takenBytes_) {
            range.depth = commonDepth(range);
        }
        for (std::size_t index = range.begin; index < range.end; ++index) {
            if (index + PrefetchDistance < range.end) {
                const std::string_view ahead = cells_[place(numbers_[index + PrefetchDistance])];
                if (range.depth < ahead.size()) {
                    __builtin_prefetch(ahead.data() + range.depth);
                }
            }
            const std::size_t row = place(numbers_[index]);
            numbers_[index] = (keyPart(row, range.depth) << placeBits_) | row;
        }
        radixSort(std::span(numbers_).subspan(range.begin, range.end - range.begin), spare_);
        const std::uint64_t goesOn = takenBytes_ + 1;
        for (std::size_t first = range.begin; first < range.end;) {
            const std::uint64_t key = numbers_[first] >> placeBits_;
            std::size_t last = first + 1;
            while (last < range.end && numbers_[last] >> placeBits_ == key) {
                ++last;
            }
            if (last - first > 1 && (key & ((1U << LengthBits) - 1)) == goesOn) {
                pending_.push_back({first, last, range.depth + takenBytes_});
            }
            first = last;
        }
    }

    std::span<RowRef> rows_;
    const Keys& keys_;
    std::vector<std::uint64_t>& numbers_;
    std::vector<std::uint64_t>& spare_;
    std::vector<std::string_view>& cells_; // each row's key, by its place in the chunk
    const int placeBits_;
    const std::size_t takenBytes_;
    std::vector<Range> pending_;
};

// Where the merge writes: the merged rows go out a block at a time, into blocks of the list whose rows
// the merge has all read, or into a few spare blocks until there are such; at the end the blocks are
// put in order. So the merge needs some kilobytes beside the list instead of a second list.
class BlockOutput {
public:
    static constexpr std::size_t BlockRows = 1024; // chunks are whole blocks, so no block spans two

    BlockOutput(std::span<RowRef> rows, std::size_t inputs)
        : rows_(rows), wholeBlocks_(rows.size() / BlockRows), spare_((inputs + 1) * BlockRows),
          tail_(rows.size() % BlockRows), holdsOutput_(wholeBlocks_, false), aside_(BlockRows) {
        // Each input holds back at most one block it has begun: inputs + 1 spares always leave a slot.
        free_.reserve(wholeBlocks_ + inputs + 1);
        for (std::size_t index = inputs + 1; index-- > 0;) {
            free_.push_back(wholeBlocks_ + index);
        }
        slotOf_.reserve(wholeBlocks_);
    }

    void put(RowRef ref) {
        if (filled_ == BlockRows) {
            filled_ = 0;
            if (slotOf_.size() == wholeBlocks_) {
                out_ = tail_.data(); // the list's last, shorter block is never a slot
            } else {
                slotOf_.push_back(free_.back());
                free_.pop_back();
                out_ = slot(slotOf_.back());
            }
        }
        out_[filled_++] = ref;
    }

    // Every row of this block of the list has been read.
    void blockRead(std::size_t block) {
        if (block < wholeBlocks_) {
            free_.push_back(block);
        }
    }

    // Once every row is out: block k of the output to block k of the list.
    void arrange() {
        std::vector<bool>& holdsOutput = holdsOutput_;
        for (const std::size_t at : slotOf_) {
            if (at < wholeBlocks_) {
                holdsOutput[at] = true;
            }
        }
        std::size_t vacant = 0;
        for (std::size_t& at : slotOf_) { // out of the spares, into the blocks nothing was put in
            if (at >= wholeBlocks_) {
                while (holdsOutput[vacant]) {
                    ++vacant;
                }
                std::copy_n(slot(at), BlockRows, slot(vacant));
                holdsOutput[vacant] = true;
                at = vacant;
            }
        }
        // Now a permutation of the blocks: follow each cycle, with one block held aside.
        std::vector<RowRef>& aside = aside_;
        for (std::size_t block = 0; block < wholeBlocks_; ++block) {
            if (slotOf_[block] == block) {
                continue;
            }
            std::copy_n(slot(block), BlockRows, aside.begin());
            std::size_t target = block;
            while (slotOf_[target] != block) {
                const std::size_t source = slotOf_[target];
                std::copy_n(slot(source), BlockRows, slot(target));
                slotOf_[target] = target;
                target = source;
            }
            std::copy(aside.begin(), aside.end(), slot(target));
            slotOf_[target] = target;
        }
        std::copy(tail_.begin(), tail_.end(), rows_.end() - static_cast<std::ptrdiff_t>(tail_.size()));
    }

private:
    RowRef* slot(std::size_t index) {
        return index < wholeBlocks_ ? rows_.data() + index * BlockRows
                                    : spare_.data() + (index - wholeBlocks_) * BlockRows;
    }

    std::span<RowRef> rows_;
    std::size_t wholeBlocks_;
    std::vector<RowRef> spare_;
    std::vector<RowRef> tail_;        // the rows after the last whole block
    std::vector<std::size_t> free_;   // slots that may be written
    std::vector<std::size_t> slotOf_; // where each block of the output went
    std::vector<bool> holdsOutput_;   // for arrange(), made beforehand
    std::vector<RowRef> aside_;
    RowRef* out_ = nullptr;
    std::size_t filled_ = BlockRows;
};

// Merges the sorted chunks in place: the smallest key first, the earlier chunk on equal keys, which
// keeps the sort stable.
template <typename Keys> void mergeChunks(std::span<RowRef> rows, const Keys& keys) {
    static_assert(ChunkRows % BlockOutput::BlockRows == 0);
    struct Head {
        std::size_t next;
        std::size_t end;
        std::string_view key;
        std::uint64_t first; // its first eight bytes upper-cased, zero-padded: most comparisons end here
    };
    std::vector<Head> heads;
    // Nothing in the merge allocates once it writes: a failure then could lose rows.
    const auto readKey = [&keys, rows](Head& head) {
        if (head.next + PrefetchDistance < head.end) {
            __builtin_prefetch(keys.lineStart(rows[head.next + PrefetchDistance]));
        }
        head.key = keys.key(rows[head.next]);
        head.first = 0;
        for (std::size_t index = 0; index < sizeof head.first; ++index) {
            head.first =
                (head.first << 8) |
                (index < head.key.size() ? upperByte(static_cast<unsigned char>(head.key[index])) : 0U);
        }
    };
    for (std::size_t begin = 0; begin < rows.size(); begin += ChunkRows) {
        heads.push_back({begin, std::min(begin + ChunkRows, rows.size()), {}, 0});
        readKey(heads.back());
    }
    const auto later = [&heads](std::size_t a, std::size_t b) {
        if (heads[a].first != heads[b].first) {
            return heads[a].first > heads[b].first;
        }
        // Keys of eight bytes or fewer that agree there differ at most in length (zero bytes pad them).
        const std::size_t lengthA = heads[a].key.size();
        const std::size_t lengthB = heads[b].key.size();
        const int order = lengthA <= sizeof(std::uint64_t) && lengthB <= sizeof(std::uint64_t)
                              ? static_cast<int>(lengthA > lengthB) - static_cast<int>(lengthA < lengthB)
                              : compareKeys(heads[a].key, heads[b].key);
        return order != 0 ? order > 0 : a > b;
    };
    std::vector<std::size_t> queue(heads.size());
    for (std::size_t chunk = 0; chunk < queue.size(); ++chunk) {
        queue[chunk] = chunk;
    }
    std::make_heap(queue.begin(), queue.end(), later);
    BlockOutput output(rows, heads.size());
    while (!queue.empty()) {
        std::pop_heap(queue.begin(), queue.end(), later);
        Head& head = heads[queue.back()];
        output.put(rows[head.next]);
        if (++head.next % BlockOutput::BlockRows == 0) {
            output.blockRead(head.next / BlockOutput::BlockRows - 1);
        }
        if (head.next == head.end) {
            queue.pop_back();
            continue;
        }
        readKey(head);
        std::push_heap(queue.begin(), queue.end(), later);
    }
    output.arrange();
}

} // namespace

void sortByColumn(AddressTable& table, int column) {
    if (column < 0 || column >= ColumnCount) {
        throw std::out_of_range(GridIndexError);
    }
    const std::span<RowRef> rows = table.references();
    if (rows.size() < 2) {
        return;
    }
    struct ColumnKeys {
        const AddressTable& table;
        int column;
        std::string_view key(RowRef ref) const { return table.cellOf(ref, column); }
        const char* lineStart(RowRef ref) const { return table.lineStart(ref); }
    };
    const ColumnKeys keys{table, column};
    std::vector<std::uint64_t> numbers;
    std::vector<std::uint64_t> spare;
    std::vector<std::string_view> cells;
    for (std::size_t begin = 0; begin < rows.size(); begin += ChunkRows) {
        ChunkSort(rows.subspan(begin, std::min(ChunkRows, rows.size() - begin)), keys, numbers, spare, cells)
            .run();
    }
    if (rows.size() > ChunkRows) {
        mergeChunks(rows, keys);
    }
}

bool inKeyOrder(const AddressTable& table, int column) {
    for (int index = 1; index < table.recordCount(); ++index) {
        if (compareKeys(table.cell(column, index - 1), table.cell(column, index)) > 0) {
            return false;
        }
    }
    return true;
}

namespace {

// The first of 0 .. count-1 for which goesBefore is false, where it is true for a first stretch only.
template <typename Predicate> int firstNotBefore(int count, Predicate goesBefore) {
    int lo = 0;
    int hi = count;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (goesBefore(mid)) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

} // namespace

int placeAfterChange(const AddressTable& table, int column, int index) {
    // A stable sort puts the record after every smaller key and, among equal keys, keeps its place
    // relative to them: search the others, numbered as if the record were not there.
    const std::string_view key = table.cell(column, index);
    const auto other = [&](int place) { return table.cell(column, place < index ? place : place + 1); };
    const int others = table.recordCount() - 1;
    const int lower = firstNotBefore(others, [&](int place) { return compareKeys(other(place), key) < 0; });
    const int upper = firstNotBefore(others, [&](int place) { return compareKeys(other(place), key) <= 0; });
    return std::clamp(index, lower, upper);
}

int locateRow(const AddressTable& table, int column, std::string_view text, int first, int last) {
    int lo = first;
    int hi = last;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (compareKeys(text, table.cell(column, mid)) > 0) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

int insertionIndex(const AddressTable& table, int column, std::string_view text, bool ordered) {
    if (ordered) { // where the scan from the top stops, found by halving
        return firstNotBefore(table.recordCount(),
                              [&](int index) { return compareKeys(text, table.cell(column, index)) > 0; });
    }
    int index = 0;
    while (index < table.recordCount() && compareKeys(text, table.cell(column, index)) > 0) {
        ++index;
    }
    return index;
}

std::vector<int> insertionIndexes(const AddressTable& table, int column, std::span<const Record> records,
                                  bool ordered) {
    // The record where the scan stops is the first whose running maximum of the keys so far reaches the
    // new key: the running maxima are in key order, so halving over them finds it. A new record
    // stands right before the old record it was placed before, so it never changes where a later one
    // goes among the old ones.
    const int count = table.recordCount();
    std::vector<int> runningMaximum; // the record holding the largest key of 0 .. index
    if (!ordered) {
        runningMaximum.resize(static_cast<std::size_t>(count));
        int largest = 0;
        for (int index = 0; index < count; ++index) {
            if (compareKeys(table.cell(column, index), table.cell(column, largest)) > 0) {
                largest = index;
            }
            runningMaximum[static_cast<std::size_t>(index)] = largest;
        }
    }
    const auto keyAt = [&](int index) {
        return table.cell(column, ordered ? index : runningMaximum[static_cast<std::size_t>(index)]);
    };
    std::vector<int> places;
    places.reserve(records.size());
    for (const Record& record : records) {
        const std::string_view text = record.field(column);
        places.push_back(
            firstNotBefore(count, [&](int index) { return compareKeys(text, keyAt(index)) > 0; }));
    }
    return places;
}

} // namespace book
