#include "settings/ViewSettings.h"

#include "settings/SettingsKey.h"

#include <string_view>

namespace settings {
namespace {

constexpr std::array<std::string_view, RatioCount> RatioNames = {"g1", "g2", "g3", "g4", "g5", "g6"};

} // namespace

void readViewSettings(const std::filesystem::path& file, const ScreenSize& screen, SettingsTarget& target) {
    const std::optional<SettingsReader> key = SettingsReader::open(file);
    if (!key) {
        target.keyMissing();
        return;
    }
    if (key->readBool("windowstate")) {
        target.maximise();
    } else {
        // A position beyond the screen (another monitor set-up last time) keeps the layout's position.
        if (const int left = key->readInteger("left"); left < screen.width) {
            target.setLeft(left);
        }
        if (const int top = key->readInteger("top"); top < screen.height) {
            target.setTop(top);
        }
        target.setWidth(key->readInteger("width"));
        target.setHeight(key->readInteger("height"));
    }
    target.setCombo(key->readInteger("combo"));
    for (int column = 0; column < RatioCount; ++column) {
        target.setRatio(column, key->readFloat(RatioNames[static_cast<std::size_t>(column)]));
    }
    target.setPrintSize(key->readInteger("printsize"));
    target.setFontSize(key->readInteger("fontsize"));
}

void writeViewSettings(const std::filesystem::path& file, const ViewState& state) {
    SettingsWriter key(file);
    key.writeInteger("left", state.left);
    key.writeInteger("top", state.top);
    key.writeInteger("height", state.height);
    key.writeInteger("width", state.width);
    key.writeInteger("fontsize", state.fontSize);
    key.writeBool("windowstate", state.maximised);
    key.writeInteger("combo", state.combo);
    for (std::size_t column = 0; column < RatioNames.size(); ++column) {
        key.writeFloat(RatioNames[column], state.ratios[column]);
    }
    key.writeInteger("printsize", state.printSize);
    key.commit();
}

} // namespace settings
