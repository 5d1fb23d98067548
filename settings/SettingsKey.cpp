#include "settings/SettingsKey.h"

#include "files/ReadFile.h"
#include "files/ReplacementFile.h"
#include "settings/RegistryFile.h"

#include <bit>
#include <system_error>

namespace settings {
namespace {

std::string sectionPath(std::string_view keyPath) {
    return "HKEY_CURRENT_USER\\" + std::string(keyPath);
}

SettingsError readFailed(std::string_view name) {
    return SettingsError("Konnte Daten für '" + std::string(name) + "' nicht holen");
}

SettingsError wrongType(std::string_view name) {
    return SettingsError("Ungültiger Datentyp für '" + std::string(name) + "'");
}

SettingsError writeFailed(std::string_view name) {
    return SettingsError("Konnte Daten für '" + std::string(name) + "' nicht setzen");
}

std::optional<std::string> readFileIfExists(const std::filesystem::path& file) {
    std::optional<files::FileContents> contents = files::readFile(file);
    return contents ? std::optional<std::string>(std::move(contents->bytes)) : std::nullopt;
}

// Missing folders are made first: the first close of a new user creates ~/.config/numberwell.
void replaceFile(const std::filesystem::path& file, std::string_view bytes) {
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path());
    }
    files::replaceFile(file, bytes);
}

// The value's bytes when it has the type and size; larger than the size cannot be fetched, smaller is
// not a value of that type.
std::uint64_t fixedSizeValue(const KeyValues& values, std::string_view name, std::uint32_t type,
                             std::size_t size) {
    const auto found = values.find(name);
    if (found == values.end()) {
        throw readFailed(name);
    }
    const RegistryValue& value = found->second;
    if (value.type != type) {
        throw wrongType(name);
    }
    if (value.data.size() > size) {
        throw readFailed(name);
    }
    if (value.data.size() < size) {
        throw wrongType(name);
    }
    return littleEndianNumber(value.data);
}

} // namespace

struct SettingsReader::Values {
    KeyValues byName;
};

SettingsReader::SettingsReader(std::shared_ptr<const Values> values) : values_(std::move(values)) {}

std::optional<SettingsReader> SettingsReader::open(const std::filesystem::path& file,
                                                   std::string_view keyPath) {
    std::optional<std::string> bytes;
    try {
        bytes = readFileIfExists(file);
    } catch (const std::system_error&) {
        return std::nullopt; // a key that cannot be opened counts as missing
    }
    const std::optional<RegistryFile> parsed = bytes ? RegistryFile::parse(*bytes) : std::nullopt;
    std::optional<KeyValues> values = parsed ? parsed->values(sectionPath(keyPath)) : std::nullopt;
    if (!values) {
        return std::nullopt;
    }
    return SettingsReader(std::make_shared<const Values>(Values{std::move(*values)}));
}

std::int32_t SettingsReader::readInteger(std::string_view name) const {
    return static_cast<std::int32_t>(fixedSizeValue(values_->byName, name, DwordType, DwordSize));
}

bool SettingsReader::readBool(std::string_view name) const {
    return readInteger(name) != 0;
}

double SettingsReader::readFloat(std::string_view name) const {
    return std::bit_cast<double>(fixedSizeValue(values_->byName, name, BinaryType, sizeof(double)));
}

std::string SettingsReader::readString(std::string_view name) const {
    const auto found = values_->byName.find(name);
    if (found == values_->byName.end()) {
        throw readFailed(name);
    }
    if (found->second.type != StringType) {
        throw wrongType(name);
    }
    return {found->second.data.begin(), found->second.data.end()};
}

struct SettingsWriter::Pending {
    std::vector<NamedValue> values;

    void add(std::string_view name, RegistryValue value) {
        if (!RegistryFile::canHoldName(name)) {
            throw writeFailed(name);
        }
        values.push_back({std::string(name), std::move(value)});
    }
};

SettingsWriter::SettingsWriter(std::filesystem::path file, std::string_view keyPath)
    : file_(std::move(file)), keyPath_(keyPath), pending_(std::make_unique<Pending>()) {}

SettingsWriter::~SettingsWriter() = default;

void SettingsWriter::writeInteger(std::string_view name, std::int32_t value) {
    pending_->add(name, {DwordType, littleEndianBytes(static_cast<std::uint32_t>(value), DwordSize)});
}

void SettingsWriter::writeBool(std::string_view name, bool value) {
    writeInteger(name, value ? 1 : 0);
}

void SettingsWriter::writeFloat(std::string_view name, double value) {
    pending_->add(name, {BinaryType, littleEndianBytes(std::bit_cast<std::uint64_t>(value), sizeof(double))});
}

void SettingsWriter::writeString(std::string_view name, std::string_view value) {
    pending_->add(name, {StringType, {value.begin(), value.end()}});
}

void SettingsWriter::commit() {
    try {
        // A file that exists but cannot be read is left alone: replacing it would lose what it holds.
        const std::optional<std::string> old = readFileIfExists(file_);
        std::optional<RegistryFile> registry = old ? RegistryFile::parse(*old) : RegistryFile();
        if (!registry) {
            replaceFile(std::filesystem::path(file_) += ".bak", *old);
            registry.emplace();
        }
        registry->assign(sectionPath(keyPath_), pending_->values);
        replaceFile(file_, registry->text());
    } catch (const std::system_error&) {
        throw writeFailed(pending_->values.empty() ? std::string_view{} : pending_->values.front().name);
    }
}

} // namespace settings
