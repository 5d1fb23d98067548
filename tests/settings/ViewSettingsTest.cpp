#include "settings/ViewSettings.h"
#include "ErrorText.h"
#include "tests/support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace settings {
namespace {

using testing::ElementsAreArray;
using testsupport::readBytes;
using testsupport::writeBytes;

using Calls = std::vector<std::string>;

class RecordingTarget : public SettingsTarget {
public:
    Calls calls;

    void keyMissing() override { calls.emplace_back("keyMissing"); }
    void maximise() override { calls.emplace_back("maximise"); }
    void setLeft(int left) override { record("left", left); }
    void setTop(int top) override { record("top", top); }
    void setWidth(int width) override { record("width", width); }
    void setHeight(int height) override { record("height", height); }
    void setCombo(int index) override { record("combo", index); }
    void setRatio(int column, double ratio) override {
        calls.push_back("ratio " + std::to_string(column) + " " + std::to_string(ratio));
    }
    void setPrintSize(int points) override { record("printsize", points); }
    void setFontSize(int points) override { record("fontsize", points); }

private:
    void record(const std::string& what, int value) { calls.push_back(what + " " + std::to_string(value)); }
};

ViewState storedState() {
    return {.left = 446,
            .top = 586,
            .width = 640,
            .height = 261,
            .fontSize = 9,
            .maximised = false,
            .combo = 2,
            .ratios = {10, 10, 15, 5, 6, 0.25},
            .printSize = 8};
}

const Calls Restored{"left 446", "top 586", "width 640", "height 261"};

Calls afterPlacement(const ViewState& state) {
    Calls calls{"combo " + std::to_string(state.combo)};
    for (std::size_t column = 0; column < state.ratios.size(); ++column) {
        calls.push_back("ratio " + std::to_string(column) + " " + std::to_string(state.ratios[column]));
    }
    calls.push_back("printsize " + std::to_string(state.printSize));
    calls.push_back("fontsize " + std::to_string(state.fontSize));
    return calls;
}

Calls operator+(Calls first, const Calls& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

class ViewSettingsTest : public testing::Test {
protected:
    Calls read() {
        RecordingTarget target;
        readViewSettings(file, Screen, target);
        return target.calls;
    }

    static constexpr ScreenSize Screen{1024, 768};
    testsupport::TempFolder folder;
    const std::filesystem::path file = folder / "numberwell/user.reg";
};

TEST_F(ViewSettingsTest, AMissingKeyOnlySaysSo) {
    EXPECT_THAT(read(), ElementsAreArray(Calls{"keyMissing"}));
}

struct PlacementCase {
    const char* name;
    void (*change)(ViewState&);
    Calls placement;
};

void PrintTo(const PlacementCase& row, std::ostream* out) {
    *out << row.name;
}

class ReadOrderTest : public ViewSettingsTest, public testing::WithParamInterface<PlacementCase> {};

TEST_P(ReadOrderTest, AppliesTheValuesInOrder) {
    ViewState state = storedState();
    GetParam().change(state);
    writeViewSettings(file, state);
    EXPECT_THAT(read(), ElementsAreArray(GetParam().placement + afterPlacement(state)));
}

INSTANTIATE_TEST_SUITE_P(States, ReadOrderTest,
                         testing::Values(PlacementCase{"Restored", [](ViewState&) {}, Restored},
                                         PlacementCase{"MaximisedSkipsThePlacement",
                                                       [](ViewState& state) { state.maximised = true; },
                                                       {"maximise"}},
                                         PlacementCase{"LeftBeyondTheScreenIsIgnored",
                                                       [](ViewState& state) { state.left = 5000; },
                                                       {"top 586", "width 640", "height 261"}},
                                         PlacementCase{"EdgesAtTheScreenSizeAreIgnored",
                                                       [](ViewState& state) {
                                                           state.left = 1024;
                                                           state.top = 768;
                                                       },
                                                       {"width 640", "height 261"}},
                                         PlacementCase{"NegativeAndJustInsideAreApplied",
                                                       [](ViewState& state) {
                                                           state.left = -20;
                                                           state.top = 767;
                                                       },
                                                       {"left -20", "top 767", "width 640", "height 261"}},
                                         PlacementCase{"ComboPassedThroughAsIs",
                                                       [](ViewState& state) { state.combo = 9; }, Restored}),
                         [](const testing::TestParamInfo<PlacementCase>& info) { return info.param.name; });

TEST_F(ViewSettingsTest, AMissingValueRaisesAfterEverythingBeforeIt) {
    writeViewSettings(file, storedState());
    std::string text = readBytes(file);
    const std::string fontSize = "\"fontsize\"=dword:00000009\r\n";
    text.erase(text.find(fontSize), fontSize.size());
    writeBytes(file, text);

    RecordingTarget target;
    EXPECT_EQ(errorText([&] { readViewSettings(file, Screen, target); }),
              "Konnte Daten für 'fontsize' nicht holen");
    Calls applied = Restored + afterPlacement(storedState());
    applied.pop_back();
    EXPECT_THAT(target.calls, ElementsAreArray(applied));
}

TEST_F(ViewSettingsTest, WritesAllFourteenValuesInTheWritingOrder) {
    ViewState state = storedState();
    state.left = -20;
    state.maximised = true;
    state.ratios[1] = 632.0 / 63;
    writeViewSettings(file, state);
    EXPECT_EQ(readBytes(file), "REGEDIT4\r\n"
                               "\r\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\r\n"
                               "\"left\"=dword:ffffffec\r\n"
                               "\"top\"=dword:0000024a\r\n"
                               "\"height\"=dword:00000105\r\n"
                               "\"width\"=dword:00000280\r\n"
                               "\"fontsize\"=dword:00000009\r\n"
                               "\"windowstate\"=dword:00000001\r\n"
                               "\"combo\"=dword:00000002\r\n"
                               "\"g1\"=hex:00,00,00,00,00,00,24,40\r\n"
                               "\"g2\"=hex:04,41,10,04,41,10,24,40\r\n"
                               "\"g3\"=hex:00,00,00,00,00,00,2e,40\r\n"
                               "\"g4\"=hex:00,00,00,00,00,00,14,40\r\n"
                               "\"g5\"=hex:00,00,00,00,00,00,18,40\r\n"
                               "\"g6\"=hex:00,00,00,00,00,00,d0,3f\r\n"
                               "\"printsize\"=dword:00000008\r\n"
                               "\r\n");
}

} // namespace
} // namespace settings
