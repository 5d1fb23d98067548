#include "carddav/Account.h"

#include "settings/SettingsKey.h"

namespace carddav {
namespace {

std::string readText(const settings::SettingsReader& key, std::string_view name) {
    try {
        return key.readString(name);
    } catch (const settings::SettingsError&) {
        return {};
    }
}

QString qText(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

} // namespace

std::optional<Account> readAccount(const std::filesystem::path& settingsFile) {
    const std::optional<settings::SettingsReader> key =
        settings::SettingsReader::open(settingsFile, AccountKeyPath);
    if (!key) {
        return std::nullopt;
    }
    Account account;
    account.serverUrl = QUrl(qText(readText(*key, "url")));
    account.user = qText(readText(*key, "user"));
    account.addressBookUrl = QUrl(qText(readText(*key, "addressbook")));
    account.pinnedFingerprint = qText(readText(*key, "fingerprint"));
    try {
        account.plainHttpConfirmed = key->readBool("plainhttp");
    } catch (const settings::SettingsError&) {
        account.plainHttpConfirmed = false;
    }
    return account;
}

void writeAccount(const std::filesystem::path& settingsFile, const Account& account) {
    settings::SettingsWriter key(settingsFile, AccountKeyPath);
    // A password typed into the URL must not land in the file.
    key.writeString("url", utf8(account.serverUrl.adjusted(QUrl::RemoveUserInfo).toString()));
    key.writeString("user", utf8(account.user));
    key.writeString("addressbook", utf8(account.addressBookUrl.adjusted(QUrl::RemoveUserInfo).toString()));
    key.writeString("fingerprint", utf8(account.pinnedFingerprint));
    key.writeBool("plainhttp", account.plainHttpConfirmed);
    key.commit();
}

} // namespace carddav
