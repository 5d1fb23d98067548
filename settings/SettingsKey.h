#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// The per-user settings key, kept in a registry export file ("user.reg", REGEDIT4 text) so that a
// person can read it and a Windows user can carry it over.
namespace settings {

// The key of the main window's fourteen values; other parts of the program keep keys of their own beside it.
inline constexpr std::string_view KeyPath = "SOFTWARE\\OBXNUMBERWELL\\VALUE";

// Its text is what the error box shows ("Konnte Daten für '%s' nicht holen", ...).
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The key opened for reading: a snapshot of its values, the file closed again at once.
class SettingsReader {
public:
    // Nothing when the key is missing: no file, no section for the key, or a file that cannot be
    // parsed at all.
    static std::optional<SettingsReader> open(const std::filesystem::path& file,
                                              std::string_view keyPath = KeyPath);

    // Missing or too large: "Konnte Daten für '%s' nicht holen"; of another type:
    // "Ungültiger Datentyp für '%s'".
    std::int32_t readInteger(std::string_view name) const;
    bool readBool(std::string_view name) const; // any non-zero dword is true
    double readFloat(std::string_view name) const;
    std::string readString(std::string_view name) const; // the bytes as written, no terminator

private:
    struct Values;
    explicit SettingsReader(std::shared_ptr<const Values> values);
    std::shared_ptr<const Values> values_;
};

// The key opened for writing: values collected in the order they are written, then the whole file
// replaced atomically by commit(). Other keys in the file are kept as they were; an unparseable file
// is kept beside the new one as "user.reg.bak".
class SettingsWriter {
public:
    explicit SettingsWriter(std::filesystem::path file, std::string_view keyPath = KeyPath);
    ~SettingsWriter();
    SettingsWriter(const SettingsWriter&) = delete;
    SettingsWriter& operator=(const SettingsWriter&) = delete;

    void writeInteger(std::string_view name, std::int32_t value);
    void writeBool(std::string_view name, bool value);
    void writeFloat(std::string_view name, double value);
    void writeString(std::string_view name, std::string_view value);

    // Raises "Konnte Daten für '%s' nicht setzen" naming the first value written when the file cannot
    // be written; the old file then stays as it was.
    void commit();

private:
    struct Pending;
    std::filesystem::path file_;
    std::string keyPath_;
    std::unique_ptr<Pending> pending_;
};

} // namespace settings
