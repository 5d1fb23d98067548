#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>

// The fourteen values of the main window, read at start and written at close, in their fixed orders.
namespace settings {

// The grid's column ratios, "g1".."g6": one for each of its columns but the last.
inline constexpr int RatioCount = 6;

// As read, a value is set once it was read; as written, every value that is set is written.
struct ViewValues {
    std::optional<bool> maximised; // "windowstate"
    std::optional<int> left;
    std::optional<int> top;
    std::optional<int> width;
    std::optional<int> height;
    std::optional<int> combo;
    std::array<std::optional<double>, RatioCount> ratios; // "g1".."g6"
    std::optional<int> printSize;
    std::optional<int> fontSize;
    // Why reading stopped early ("Konnte Daten für 'fontsize' nicht holen"): the value it names and all
    // after it in the reading order are unset. Ignored when writing.
    std::optional<std::string> error;

    friend bool operator==(const ViewValues&, const ViewValues&) = default;
};

// Nothing when the key is missing. The reading order: "windowstate"; unless it is true, "left", "top",
// "width", "height"; then "combo", "g1".."g6", "printsize", "fontsize".
std::optional<ViewValues> readViewSettings(const std::filesystem::path& file);

// Writes the values that are set in the writing order: left, top, height, width, fontsize, windowstate,
// combo, g1..g6, printsize. Raises SettingsError when the file cannot be written.
void writeViewSettings(const std::filesystem::path& file, const ViewValues& values);

} // namespace settings
