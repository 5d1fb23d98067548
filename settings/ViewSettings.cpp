#include "settings/ViewSettings.h"

#include "settings/SettingsKey.h"

#include <string_view>

namespace settings {
namespace {

constexpr std::array<std::string_view, RatioCount> RatioNames = {"g1", "g2", "g3", "g4", "g5", "g6"};

void readInOrder(const SettingsReader& key, ViewValues& values) {
    values.maximised = key.readBool("windowstate");
    if (!*values.maximised) {
        values.left = key.readInteger("left");
        values.top = key.readInteger("top");
        values.width = key.readInteger("width");
        values.height = key.readInteger("height");
    }
    values.combo = key.readInteger("combo");
    for (std::size_t column = 0; column < RatioNames.size(); ++column) {
        values.ratios[column] = key.readFloat(RatioNames[column]);
    }
    values.printSize = key.readInteger("printsize");
    values.fontSize = key.readInteger("fontsize");
}

void writeIfSet(SettingsWriter& key, std::string_view name, const std::optional<int>& value) {
    if (value) {
        key.writeInteger(name, *value);
    }
}

} // namespace

std::optional<ViewValues> readViewSettings(const std::filesystem::path& file) {
    const std::optional<SettingsReader> key = SettingsReader::open(file);
    if (!key) {
        return std::nullopt;
    }
    ViewValues values;
    try {
        readInOrder(*key, values);
    } catch (const SettingsError& error) {
        values.error = error.what();
    }
    return values;
}

void writeViewSettings(const std::filesystem::path& file, const ViewValues& values) {
    SettingsWriter key(file);
    writeIfSet(key, "left", values.left);
    writeIfSet(key, "top", values.top);
    writeIfSet(key, "height", values.height);
    writeIfSet(key, "width", values.width);
    writeIfSet(key, "fontsize", values.fontSize);
    if (values.maximised) {
        key.writeBool("windowstate", *values.maximised);
    }
    writeIfSet(key, "combo", values.combo);
    for (std::size_t column = 0; column < RatioNames.size(); ++column) {
        if (values.ratios[column]) {
            key.writeFloat(RatioNames[column], *values.ratios[column]);
        }
    }
    writeIfSet(key, "printsize", values.printSize);
    key.commit();
}

} // namespace settings
