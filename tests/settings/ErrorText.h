#pragma once

#include "settings/SettingsKey.h"

#include <string>

namespace settings {

// The text of the SettingsError the action raises.
template <typename Action> std::string errorText(Action&& action) {
    try {
        action();
    } catch (const SettingsError& error) {
        return error.what();
    }
    return "(no error raised)";
}

} // namespace settings
