#include "Pairing.h"

#include "Merge.h"
#include "Records.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_map>

namespace cardsync {

namespace {

constexpr std::size_t CandidatesWeighed = 8;
constexpr std::size_t CommonValue = 32;

struct Candidate {
    int likeness;
    int differing;
    bool copy;
    std::size_t gone;  // index in synced
    std::size_t added; // index in list
};

bool isBetter(const Candidate& a, const Candidate& b) {
    if (a.likeness != b.likeness) {
        return a.likeness > b.likeness;
    }
    if (a.differing != b.differing) {
        return a.differing < b.differing;
    }
    if (a.copy != b.copy) {
        return !a.copy;
    }
    return a.gone != b.gone ? a.gone < b.gone : a.added < b.added;
}

Candidate weigh(const book::Record& gone, const book::Record& added, std::size_t goneIndex,
                std::size_t addedIndex) {
    Candidate candidate{0, 0, isConflictCopy(added), goneIndex, addedIndex};
    for (int column = 0; column < book::ColumnCount; ++column) {
        const std::string_view a = gone.field(column);
        const std::string_view b = added.field(column);
        if (a != b) {
            ++candidate.differing;
        } else if (!a.empty()) {
            ++candidate.likeness;
        }
    }
    return candidate;
}

struct ValueKey {
    int column;
    std::string_view value;
    bool operator==(const ValueKey&) const = default;
};

struct ValueKeyHash {
    std::size_t operator()(const ValueKey& key) const {
        return std::hash<std::string_view>{}(key.value) * 7 + static_cast<std::size_t>(key.column);
    }
};

// Step 2: the gone and the new records paired by likeness.
void pairByLikeness(std::span<const book::Record* const> synced, std::span<const book::Record> list,
                    const std::vector<std::size_t>& gone, std::vector<std::size_t>& added, Pairing& pairing) {
    std::unordered_map<ValueKey, std::vector<std::size_t>, ValueKeyHash> byValue;
    for (const std::size_t index : added) {
        for (int column = 0; column < book::ColumnCount; ++column) {
            if (const std::string_view value = list[index].field(column); !value.empty()) {
                byValue[{column, value}].push_back(index);
            }
        }
    }
    std::vector<Candidate> candidates;
    std::vector<Candidate> weighed;
    std::vector<std::size_t> seen;
    for (const std::size_t goneIndex : gone) {
        weighed.clear();
        seen.clear();
        for (int column = 0; column < book::ColumnCount; ++column) {
            const auto found = byValue.find({column, synced[goneIndex]->field(column)});
            if (found == byValue.end() || found->second.size() > CommonValue) {
                continue;
            }
            for (const std::size_t addedIndex : found->second) {
                if (std::ranges::find(seen, addedIndex) == seen.end()) {
                    seen.push_back(addedIndex);
                    weighed.push_back(weigh(*synced[goneIndex], list[addedIndex], goneIndex, addedIndex));
                }
            }
        }
        std::ranges::sort(weighed, isBetter);
        weighed.resize(std::min(weighed.size(), CandidatesWeighed));
        candidates.insert(candidates.end(), weighed.begin(), weighed.end());
    }
    std::ranges::sort(candidates, isBetter);
    std::vector<bool> listTaken(list.size(), false);
    for (const Candidate& candidate : candidates) {
        if (!pairing.now[candidate.gone] && !listTaken[candidate.added]) {
            pairing.now[candidate.gone] = candidate.added;
            listTaken[candidate.added] = true;
        }
    }
    std::erase_if(added, [&](std::size_t index) { return listTaken[index]; });
}

} // namespace

Pairing pairRecords(std::span<const book::Record* const> synced, std::span<const book::Record> list) {
    Pairing pairing;
    pairing.now.resize(synced.size());
    // Step 1: equal records, each list record taken once, in order.
    std::unordered_map<const book::Record*, std::vector<std::size_t>, RecordHash, RecordsEqual> unpaired;
    for (std::size_t index = list.size(); index-- > 0;) {
        unpaired[&list[index]].push_back(index); // last first, so that back() is the earliest
    }
    std::vector<std::size_t> gone;
    for (std::size_t index = 0; index < synced.size(); ++index) {
        const auto found = unpaired.find(synced[index]);
        if (found == unpaired.end() || found->second.empty()) {
            gone.push_back(index);
            continue;
        }
        pairing.now[index] = found->second.back();
        found->second.pop_back();
    }
    for (const auto& [record, indices] : unpaired) {
        pairing.added.insert(pairing.added.end(), indices.begin(), indices.end());
    }
    std::ranges::sort(pairing.added);
    if (!gone.empty() && !pairing.added.empty()) {
        pairByLikeness(synced, list, gone, pairing.added, pairing);
    }
    return pairing;
}

} // namespace cardsync
