#include "Journal.h"

#include "Encoding.h"
#include "files/Crc32c.h"
#include "files/FileStatus.h"

namespace session {

namespace {

constexpr std::string_view Magic = "NWJ1";
constexpr std::size_t EntryHead = 8; // length and checksum

std::optional<FileVersion> decodeStart(std::string_view payload) {
    if (!payload.starts_with(Magic)) {
        return std::nullopt;
    }
    Reader in(payload.substr(Magic.size()));
    FileVersion version;
    const std::uint8_t state = in.byte();
    if (state > static_cast<std::uint8_t>(FileVersion::State::Unreadable)) {
        return std::nullopt;
    }
    version.state = static_cast<FileVersion::State>(state);
    version.status.device = in.number64();
    version.status.inode = in.number64();
    version.status.size = in.number64();
    version.status.modifiedSeconds = static_cast<std::int64_t>(in.number64());
    version.status.modifiedNanoseconds = static_cast<std::int64_t>(in.number64());
    if (!in.ok() || in.left() != 0) {
        return std::nullopt;
    }
    return version;
}

} // namespace

std::string journalEntry(std::string_view payload) {
    Writer out;
    out.number(static_cast<std::uint32_t>(payload.size()));
    out.number(files::crc32c(payload));
    std::string entry = out.take();
    entry.append(payload);
    return entry;
}

std::string journalStart(const FileVersion& base) {
    Writer out;
    out.byte(static_cast<std::uint8_t>(base.state));
    out.number64(base.status.device);
    out.number64(base.status.inode);
    out.number64(base.status.size);
    out.number64(static_cast<std::uint64_t>(base.status.modifiedSeconds));
    out.number64(static_cast<std::uint64_t>(base.status.modifiedNanoseconds));
    return journalEntry(std::string(Magic) + out.take());
}

JournalContents readJournal(std::string_view bytes) {
    JournalContents contents;
    std::string_view rest = bytes;
    while (rest.size() >= EntryHead) {
        Reader head(rest.substr(0, EntryHead));
        const std::uint32_t length = head.number();
        const std::uint32_t checksum = head.number();
        if (length > rest.size() - EntryHead) {
            break;
        }
        const std::string_view payload = rest.substr(EntryHead, length);
        if (files::crc32c(payload) != checksum) {
            break;
        }
        if (!contents.base) {
            contents.base = decodeStart(payload);
            if (!contents.base) {
                break;
            }
        } else if (std::optional<ListChange> change = decodeChange(payload)) {
            contents.changes.push_back(std::move(*change));
        } else {
            break;
        }
        rest.remove_prefix(EntryHead + length);
        contents.intactBytes = bytes.size() - rest.size();
    }
    return contents;
}

std::optional<JournalFile> JournalFile::open(const std::filesystem::path& file) {
    // Locked, and still the file of that name: a journal removed at another window's close meanwhile
    // would keep nothing.
    for (int attempt = 0; attempt < 3; ++attempt) {
        files::AppendFile opened(file);
        if (!opened.tryLock()) {
            return std::nullopt;
        }
        const std::optional<files::FileStatus> named = files::statusOf(file);
        const files::FileStatus held = opened.status();
        if (named && named->device == held.device && named->inode == held.inode) {
            return JournalFile(std::move(opened));
        }
    }
    return std::nullopt;
}

void JournalFile::record(const FileVersion& base, const ListChange& change) {
    std::string bytes = empty() ? journalStart(base) : std::string();
    bytes += journalEntry(encode(change));
    file_.append(bytes);
}

} // namespace session
