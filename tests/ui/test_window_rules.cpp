// The window's arithmetic and text rules, without a window.
#include "app/Application.h"
#include "ui/CellText.h"
#include "ui/ColumnLayout.h"
#include "ui/ErrorBox.h"
#include "ui/FontSize.h"
#include "ui/StartPlacement.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

namespace {

using ui::ColumnRatios;
using ui::ColumnWidths;

TEST(ColumnLayout, FirstStartAtTheDesignWidth) {
    EXPECT_EQ(ui::layoutColumns(632, ui::FirstStartRatios), (ColumnWidths{63, 63, 42, 126, 105, 126, 99}));
}

TEST(ColumnLayout, RatiosCarryTheRoundingOfTheLastLayout) {
    const ColumnWidths first = ui::layoutColumns(632, ui::FirstStartRatios);
    const ColumnRatios measured = ui::measureRatios(632, first, ui::FirstStartRatios);
    EXPECT_EQ(ui::layoutColumns(1264, measured), (ColumnWidths{126, 126, 84, 252, 210, 252, 206}));
    EXPECT_EQ(ui::layoutColumns(1264, ui::FirstStartRatios),
              (ColumnWidths{126, 126, 84, 253, 211, 253, 203}));
}

TEST(ColumnLayout, HalvesRoundToEven) {
    // 125 / 2 = 62.5 and 127 / 2 = 63.5
    const ColumnRatios ratios = {2.0, 2.0, 2.0, 2.0, 2.0, 2.0};
    EXPECT_EQ(ui::layoutColumns(125, ratios)[0], 62);
    EXPECT_EQ(ui::layoutColumns(127, ratios)[0], 64);
}

TEST(ColumnLayout, ZeroRatioGivesTenPixelsAndNoteNeverNegative) {
    const ColumnRatios ratios = {0.0, 1.0, 1.0, 1.0, 1.0, 1.0};
    const ColumnWidths widths = ui::layoutColumns(100, ratios);
    EXPECT_EQ(widths[0], 10);
    EXPECT_EQ(widths[6], 0);
}

TEST(ColumnLayout, ZeroWidthKeepsThePreviousRatio) {
    const ColumnRatios previous = {10.0, 10.0, 15.0, 5.0, 6.0, 5.0};
    const ColumnRatios measured = ui::measureRatios(632, {0, 63, 42, 126, 105, 126, 99}, previous);
    EXPECT_EQ(measured[0], 10.0);
    EXPECT_EQ(measured[1], 632.0 / 63);
    // A damaged ratio is not kept: a narrow window would write it back (the fuzzer found it).
    const ColumnRatios damaged = {std::numeric_limits<double>::quiet_NaN(), 10.0, 15.0, 5.0, 6.0, 5.0};
    EXPECT_EQ(ui::measureRatios(1, {0, 0, 0, 0, 0, 0, 0}, damaged)[0], ui::FirstStartRatios[0]);
}

// What a damaged settings file can hold for a ratio: each column laid out as at the first start.
class DamagedRatio : public testing::TestWithParam<double> {};

TEST_P(DamagedRatio, LaysItsColumnOutWithTheFirstStartRatio) {
    for (std::size_t column = 0; column < ui::RatioCount; ++column) {
        ColumnRatios ratios = ui::FirstStartRatios;
        ratios[column] = GetParam();
        EXPECT_EQ(ui::layoutColumns(632, ratios), ui::layoutColumns(632, ui::FirstStartRatios)) << column;
    }
}

INSTANTIATE_TEST_SUITE_P(ColumnLayout, DamagedRatio,
                         testing::Values(std::numeric_limits<double>::quiet_NaN(),
                                         std::numeric_limits<double>::infinity(),
                                         -std::numeric_limits<double>::infinity(), -5.0,
                                         -std::numeric_limits<double>::denorm_min(),
                                         std::numeric_limits<double>::denorm_min(), 1e-4, 2e6, 1e308,
                                         std::numeric_limits<double>::max()));

TEST(ColumnLayout, ExtremeButUsableRatiosStayWithinTheWidthsAWindowHolds) {
    EXPECT_EQ(ui::layoutColumns(632, {1e-3, 1e6, 10.0, 5.0, 6.0, 5.0})[0], 632'000);
    EXPECT_EQ(ui::layoutColumns(632, {1e-3, 1e6, 10.0, 5.0, 6.0, 5.0})[1], 0);
    const ColumnWidths widest = ui::layoutColumns(INT_MAX, {1e-3, 1e-3, 1e-3, 1e-3, 1e-3, 1e-3});
    EXPECT_EQ(widest[0], ui::MaxColumnWidth);
    EXPECT_EQ(widest[6], INT_MAX - 6 * ui::MaxColumnWidth - 8);
}

TEST(FontSize, PointsAndPixelsAt96Dpi) {
    EXPECT_EQ(ui::pointsToPixels(8, 96), 11);
    EXPECT_EQ(ui::pointsToPixels(10, 96), 13);
    EXPECT_EQ(ui::pointsToPixels(12, 96), 16);
    EXPECT_EQ(ui::pixelsToPoints(10, 96), 8); // 7.5 rounds away from zero
    EXPECT_EQ(ui::rowHeightFor(ui::pointsToPixels(72, 96)), 102);
    EXPECT_EQ(ui::rowHeightFor(-10), 16);
}

TEST(FontSize, StoredSizesBecomeWhatTheToolkitCanDraw) {
    const std::pair<int, int> pointsAndPixels[] = {{INT_MIN, 1}, {-1, 1},      {0, 1},         {1, 1},
                                                   {1000, 1333}, {1001, 1333}, {INT_MAX, 1333}};
    for (const auto& [points, pixels] : pointsAndPixels) {
        EXPECT_EQ(ui::pointsToPixels(ui::drawablePoints(points), 96), pixels) << points;
    }
}

TEST(CellText, EveryByteSurvivesTheWidgets) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    EXPECT_EQ(ui::toCellLossy(ui::toDisplay(all)), all);
    EXPECT_EQ(ui::toDisplay("M\xfcller \x80"), QStringLiteral("Müller €"));
}

TEST(CellText, CharactersWithoutAByte) {
    EXPECT_EQ(ui::toCellLossy(QStringLiteral("Łódź")), "?\xf3"
                                                       "d?");
}

TEST(ErrorBox, FullStopOnlyAfterCharactersAboveIt) {
    EXPECT_EQ(ui::errorBoxText(QStringLiteral("E/A-Fehler 5")), QStringLiteral("E/A-Fehler 5."));
    EXPECT_EQ(ui::errorBoxText(QStringLiteral("Done.")), QStringLiteral("Done."));
    EXPECT_EQ(ui::errorBoxText(QStringLiteral("Why?")), QStringLiteral("Why?."));
    EXPECT_EQ(ui::errorBoxText(QStringLiteral("(x)")), QStringLiteral("(x)"));
    EXPECT_EQ(ui::errorBoxText(QString()), QString());
}

TEST(ApplicationTitle, FromTheExecutableName) {
    EXPECT_EQ(applicationTitle(QStringLiteral("numberwell")), QStringLiteral("numberwell"));
    EXPECT_EQ(applicationTitle(QStringLiteral("NUMBERWELL.EXE")), QStringLiteral("Numberwell"));
    EXPECT_EQ(applicationTitle(QStringLiteral("my.Tool.bin")), QStringLiteral("my"));
}

struct PlacementCase {
    const char* name;
    std::optional<settings::ViewValues> stored;
    bool maximised;
    QRect outer;
};

void PrintTo(const PlacementCase& row, std::ostream* out) {
    *out << row.name;
}

settings::ViewValues placed(int left, int top, int width, int height) {
    settings::ViewValues values;
    values.maximised = false;
    values.left = left;
    values.top = top;
    values.width = width;
    values.height = height;
    return values;
}

// Reading stopped at "width": the edges were read, the size was not.
settings::ViewValues sizeNotRead() {
    settings::ViewValues values = placed(100, 80, 0, 0);
    values.width = values.height = std::nullopt;
    return values;
}

class StartPlacementTest : public testing::TestWithParam<PlacementCase> {};

TEST_P(StartPlacementTest, OuterRectangle) {
    const QRect screen(0, 0, 1280, 1024);
    const ui::StartPlacement placement = ui::startPlacement(GetParam().stored, screen, screen);
    EXPECT_EQ(placement.maximised, GetParam().maximised);
    EXPECT_EQ(placement.outer, GetParam().outer);
}

const settings::ViewValues Maximised = [] {
    settings::ViewValues values;
    values.maximised = true;
    return values;
}();

INSTANTIATE_TEST_SUITE_P(
    Stored, StartPlacementTest,
    testing::Values(
        PlacementCase{"NoKeyCentresTheLayoutSize", std::nullopt, false, {320, 381, 640, 261}},
        PlacementCase{"MaximisedOverTheCentredLayout", Maximised, true, {320, 381, 640, 261}},
        PlacementCase{"AsStored", placed(100, 80, 700, 300), false, {100, 80, 700, 300}},
        PlacementCase{"NegativeEdgesKept", placed(-20, -5, 700, 300), false, {-20, -5, 700, 300}},
        PlacementCase{"EdgesFromTheScreenSizeOnKeepTheLayout",
                      placed(1280, 1024, 700, 300),
                      false,
                      {446, 586, 700, 300}},
        PlacementCase{"ExtremesFitTheDesktop",
                      placed(INT_MIN, INT_MIN, INT_MAX, INT_MAX),
                      false,
                      {-1279, -1023, 1280, 1024}},
        PlacementCase{
            "NegativeSizesBecomeOnePixel", placed(INT_MAX, 10, -5, INT_MIN), false, {446, 10, 1, 1}},
        PlacementCase{"SizeNotReadKeepsTheLayoutSize", sizeNotRead(), false, {100, 80, 640, 261}},
        PlacementCase{"NothingReadKeepsTheLayout", settings::ViewValues{}, false, {446, 586, 640, 261}}),
    [](const testing::TestParamInfo<PlacementCase>& info) { return info.param.name; });

} // namespace
