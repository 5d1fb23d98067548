#pragma once

#include <QString>
#include <QUrl>

#include <filesystem>
#include <optional>
#include <string_view>

// The address book the list is kept in step with, as the user set it up. The password is not part of it:
// it lives in the desktop's secret service (PasswordStore) and nowhere else.
namespace carddav {

struct Account {
    QUrl serverUrl;                  // as the user typed it, with a scheme (Discovery::urlFromInput)
    QString user;                    // empty for a server without authentication
    QUrl addressBookUrl;             // the address book chosen; empty until one is chosen
    QString pinnedFingerprint;       // SHA-256 of a certificate the user accepted ("AB:CD:..."), or empty
    bool plainHttpConfirmed = false; // the user allowed plain http to this account's host

    friend bool operator==(const Account&, const Account&) = default;
};

// The account's own key in the settings file, beside the window's values.
inline constexpr std::string_view AccountKeyPath = "SOFTWARE\\OBXNUMBERWELL\\SYNC";

// Nothing when no account was stored. Values a person removed by hand read as empty.
std::optional<Account> readAccount(const std::filesystem::path& settingsFile);

// Raises settings::SettingsError when the file cannot be written; the old file then stays as it was.
void writeAccount(const std::filesystem::path& settingsFile, const Account& account);

} // namespace carddav
