#include "Summary.h"

#include <vector>

namespace cardsync {

namespace {

std::string counted(std::size_t count, std::string_view what) {
    return std::to_string(count) + " " + std::string(what);
}

bool tooMany(std::size_t deleted, std::size_t total) {
    return deleted > 0 && (deleted == total || 2 * deleted > total);
}

} // namespace

std::string Summary::text() const {
    std::vector<std::string> parts;
    if (addedHere > 0) {
        parts.push_back(counted(addedHere, "added here"));
    }
    if (sent > 0) {
        parts.push_back(counted(sent, "sent"));
    }
    if (changedHere > 0) {
        parts.push_back(counted(changedHere, "changed here"));
    }
    if (deletedHere > 0) {
        parts.push_back(counted(deletedHere, "deleted here"));
    }
    if (conflicts > 0) {
        parts.push_back(
            counted(conflicts, conflicts == 1 ? "conflict kept as a copy" : "conflicts kept as copies"));
    }
    if (leftOver > 0) {
        parts.push_back(counted(leftOver, "left for the next sync"));
    }
    std::string text = bookWasEmptied ? "The address book was empty: " : "";
    if (parts.empty()) {
        return text + "Nothing to synchronise";
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        text += (i == 0 ? "" : ", ") + parts[i];
    }
    return text;
}

bool Deletions::needConfirmation() const {
    return tooMany(here, recordsHere) || tooMany(there, cardsThere);
}

std::string Deletions::text() const {
    std::string text = "The sync would delete ";
    if (here > 0) {
        text += std::to_string(here) + " of the " + std::to_string(recordsHere) + " records here";
    }
    if (there > 0) {
        text += std::string(here > 0 ? " and " : "") + std::to_string(there) + " of the " +
                std::to_string(cardsThere) + " cards on the server";
    }
    return text;
}

} // namespace cardsync
