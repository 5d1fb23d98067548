#include "StateStore.h"

#include "files/ReadFile.h"
#include "files/ReplacementFile.h"

namespace cardsync {

StateFile::StateFile(std::filesystem::path file) : file_(std::move(file)) {}

std::optional<std::string> StateFile::read() {
    std::optional<files::FileContents> contents = files::readFile(file_);
    if (!contents) {
        return std::nullopt;
    }
    return std::move(contents->bytes);
}

void StateFile::replace(std::string_view text) {
    appendFile_.reset(); // it would add to the file that the rename replaces
    files::replaceFile(file_, text);
}

void StateFile::append(std::string_view lines) {
    if (!appendFile_) {
        appendFile_.emplace(file_);
    }
    appendFile_->append(lines);
}

} // namespace cardsync
