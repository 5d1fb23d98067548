#pragma once

#include <array>
#include <filesystem>

// The fourteen values of the main window, read at start and written at close, in their fixed orders.
namespace settings {

inline constexpr int RatioCount = 6;

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// What reading applies to, called in the reading order.
class SettingsTarget {
public:
    virtual ~SettingsTarget() = default;
    virtual void keyMissing() = 0; // centre the window, select item 0, print size 8
    virtual void maximise() = 0;
    virtual void setLeft(int left) = 0;
    virtual void setTop(int top) = 0;
    virtual void setWidth(int width) = 0;
    virtual void setHeight(int height) = 0;
    virtual void setCombo(int index) = 0;
    virtual void setRatio(int column, double ratio) = 0;
    virtual void setPrintSize(int points) = 0;
    virtual void setFontSize(int points) = 0;
};

// Reads the key: "windowstate" (maximised skips the placement), "left" below the screen width, "top"
// below the screen height, "width", "height", "combo", "g1".."g6", "printsize", "fontsize". A value
// that cannot be read raises SettingsError after everything before it was applied.
void readViewSettings(const std::filesystem::path& file, const ScreenSize& screen, SettingsTarget& target);

struct ViewState {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int fontSize = 0;
    bool maximised = false;
    int combo = 0;
    std::array<double, RatioCount> ratios{};
    int printSize = 0;
};

// Writes all fourteen values in the writing order: left, top, height, width, fontsize, windowstate,
// combo, g1..g6, printsize. Raises SettingsError when the file cannot be written.
void writeViewSettings(const std::filesystem::path& file, const ViewState& state);

} // namespace settings
