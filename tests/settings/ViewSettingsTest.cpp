#include "settings/ViewSettings.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace settings {
namespace {

using testsupport::readBytes;
using testsupport::writeBytes;

ViewValues storedValues() {
    return {.maximised = false,
            .left = 446,
            .top = 586,
            .width = 640,
            .height = 261,
            .combo = 2,
            .ratios = {10, 10, 15, 5, 6, 0.25},
            .printSize = 8,
            .fontSize = 9,
            .error = {}};
}

class ViewSettingsTest : public testing::Test {
protected:
    // The stored values with one line of the file removed or replaced.
    void storeWithLine(const std::string& line, const std::string& replacement) {
        writeViewSettings(file, storedValues());
        std::string text = readBytes(file);
        text.replace(text.find(line), line.size(), replacement);
        writeBytes(file, text);
    }

    testsupport::TempFolder folder;
    const std::filesystem::path file = folder / "numberwell/user.reg";
};

TEST_F(ViewSettingsTest, AMissingKeyIsNoValues) {
    EXPECT_FALSE(readViewSettings(file));
}

TEST_F(ViewSettingsTest, ValuesComeBackAsStoredBeyondTheScreenToo) {
    ViewValues values = storedValues();
    values.left = 5000;
    values.top = -20;
    values.combo = 9;
    writeViewSettings(file, values);
    EXPECT_EQ(readViewSettings(file), values);
}

TEST_F(ViewSettingsTest, MaximisedSkipsThePlacement) {
    ViewValues values = storedValues();
    values.maximised = true;
    writeViewSettings(file, values);
    values.left = values.top = values.width = values.height = std::nullopt;
    EXPECT_EQ(readViewSettings(file), values);
}

TEST_F(ViewSettingsTest, TheFirstValueThatFailsEndsTheReading) {
    storeWithLine("\"g3\"=hex:00,00,00,00,00,00,2e,40\r\n", "\"g3\"=dword:00000001\r\n");
    ViewValues expected = storedValues();
    expected.ratios[2] = expected.ratios[3] = expected.ratios[4] = expected.ratios[5] = std::nullopt;
    expected.printSize = expected.fontSize = std::nullopt;
    expected.error = "Ungültiger Datentyp für 'g3'";
    EXPECT_EQ(readViewSettings(file), expected);

    storeWithLine("\"fontsize\"=dword:00000009\r\n", "");
    expected = storedValues();
    expected.fontSize = std::nullopt;
    expected.error = "Konnte Daten für 'fontsize' nicht holen";
    EXPECT_EQ(readViewSettings(file), expected);
}

TEST_F(ViewSettingsTest, WritesAllFourteenValuesInTheWritingOrder) {
    ViewValues values = storedValues();
    values.left = -20;
    values.maximised = true;
    values.ratios[1] = 632.0 / 63;
    writeViewSettings(file, values);
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
