#pragma once

#include "files/AppendFile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace cardsync {

// The state file's name, beside the list's "Adressen.txt".
inline constexpr std::string_view StateFileName = "Adressen.sync";

// Where the sync keeps its state between runs (see SyncState.h for the text): a file, or memory in tests.
class StateStore {
public:
    virtual ~StateStore() = default;

    // The text stored; nothing when there is none.
    virtual std::optional<std::string> read() = 0;
    // The whole text replaced: afterwards the store holds either the old or the new text, whatever
    // happens meanwhile.
    virtual void replace(std::string_view text) = 0;
    // Lines added at the end, kept when it returns. A crash meanwhile may leave a part of the last line.
    virtual void append(std::string_view lines) = 0;
};

// The state in a file: replaced as the list is (a temporary file, synced and renamed over it), and
// added to with lines synced one addition at a time, so that each completed server operation is on the
// disk without rewriting the state of 10,000 cards each time.
class StateFile : public StateStore {
public:
    explicit StateFile(std::filesystem::path file);

    std::optional<std::string> read() override;
    void replace(std::string_view text) override;
    void append(std::string_view lines) override;

private:
    std::filesystem::path file_;
    std::optional<files::AppendFile> appendFile_; // opened at the first addition after a replacement
};

} // namespace cardsync
