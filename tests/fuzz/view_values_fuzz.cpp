// The window's stored values, however damaged, taken where the window uses them: the placement, the
// column layout and the grid's font. Nothing may overflow (UBSan watches) or leave the screen's reach.
#include "FuzzCheck.h"
#include "settings/ViewSettings.h"
#include "ui/ColumnLayout.h"
#include "ui/FontSize.h"
#include "ui/StartPlacement.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <string>
#include <unistd.h>

namespace {

// readViewSettings reads a file: one per process, rewritten for every input.
const std::filesystem::path& settingsFile() {
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("numberwell-view-values-" + std::to_string(::getpid()) + ".reg");
    return file;
}

void checkPlacement(const std::optional<settings::ViewValues>& values) {
    const QRect screen(0, 0, 1280, 1024);
    const QRect desktop(-1280, 0, 2560, 1024); // a second screen on the left
    const ui::StartPlacement placement = ui::startPlacement(values, screen, desktop);
    const QRect& outer = placement.outer;
    fuzzcheck::require(outer.width() >= 1 && outer.height() >= 1, "the window has a size");
    fuzzcheck::require(outer.width() <= desktop.width() && outer.height() <= desktop.height(),
                       "the window is no larger than the desktop");
    fuzzcheck::require(outer.intersects(desktop), "some of the window is on the desktop");
}

void checkColumns(const std::optional<settings::ViewValues>& values, int clientWidth) {
    ui::ColumnRatios ratios = ui::FirstStartRatios;
    if (values) {
        for (std::size_t column = 0; column < ratios.size(); ++column) {
            ratios[column] = values->ratios[column].value_or(ratios[column]);
        }
    }
    const ui::ColumnWidths widths = ui::layoutColumns(clientWidth, ratios);
    for (const int width : widths) {
        fuzzcheck::require(width >= 0, "no column is narrower than nothing");
    }
    const ui::ColumnRatios measured = ui::measureRatios(clientWidth, widths, ratios);
    for (const double ratio : measured) {
        fuzzcheck::require(ratio == ratio, "a measured ratio is a number");
    }
}

void checkFont(const std::optional<settings::ViewValues>& values) {
    for (const std::optional<int> size :
         {values ? values->fontSize : std::nullopt, values ? values->printSize : std::nullopt}) {
        const int points = ui::drawablePoints(size.value_or(8));
        const int pixels = ui::pointsToPixels(points, 96);
        fuzzcheck::require(pixels >= 1 && ui::rowHeightFor(pixels) > pixels, "a drawable font and row");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (std::FILE* const file = std::fopen(settingsFile().c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    const std::optional<settings::ViewValues> values = settings::readViewSettings(settingsFile());
    checkPlacement(values);
    checkColumns(
        values,
        ui::startPlacement(values, QRect(0, 0, 1280, 1024), QRect(-1280, 0, 2560, 1024)).outer.width());
    checkFont(values);
    return 0;
}
