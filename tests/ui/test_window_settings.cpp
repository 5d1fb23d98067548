// The settings at start and at close, through the real main window.
#include "MainWindowRun.h"
#include "support/FailOnWarnings.h"
#include "support/ModalDriver.h"
#include "ui/AddressGrid.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <QHeaderView>

#include <climits>
#include <cmath>
#include <fstream>
#include <limits>

namespace {

QByteArray dword(const char* name, quint32 value) {
    return QByteArray("\"") + name + "\"=dword:" + QByteArray::number(value, 16).rightJustified(8, '0') +
           "\r\n";
}

QByteArray ratio(const char* name, double value) {
    QByteArray bytes(reinterpret_cast<const char*>(&value), sizeof value);
    QByteArray hex;
    for (int i = 0; i < bytes.size(); ++i) {
        hex += (i ? "," : "") + bytes.mid(i, 1).toHex();
    }
    return QByteArray("\"") + name + "\"=hex:" + hex + "\r\n";
}

QByteArray key(const QByteArray& values) {
    return "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\r\n" + values;
}

QByteArray allButFontSize(quint32 windowState, quint32 left) {
    return dword("windowstate", windowState) + dword("left", left) + dword("top", 40) + dword("width", 700) +
           dword("height", 300) + dword("combo", 2) + ratio("g1", 4) + ratio("g2", 8) + ratio("g3", 8) +
           ratio("g4", 4) + ratio("g5", 8) + ratio("g6", 8) + dword("printsize", 11);
}

QStringList valueNames(const QByteArray& text) {
    QStringList names;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith('"')) {
            names << QString::fromLatin1(line.mid(1, line.indexOf('"', 1) - 1));
        }
    }
    return names;
}

} // namespace

class WindowSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void firstStartCentresAndTheCloseWritesAllValues();
    void storedPlacementIsApplied();
    void leftBeyondTheScreenIsIgnored();
    void maximisedSkipsThePlacement();
    void missingFontSizeStopsTheReadingThere();
    void comboOutsideTheItemsFallsBackAtActivation();
    void fontSizeRoundTripsThroughPoints();
    void unwritableSettingsDoNotTrapTheUser();
    void damagedValuesStillStartAWorkingWindow_data();
    void damagedValuesStillStartAWorkingWindow();
};

void WindowSettingsTest::firstStartCentresAndTheCloseWritesAllValues() {
    MainWindowRun run;
    TForm1& form = run.start();
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QCOMPARE(form.frameGeometry().size(), QSize(640, 261));
    QCOMPARE(form.frameGeometry().topLeft(), QPoint((screen.width() - 640) / 2, (screen.height() - 261) / 2));
    QCOMPARE(form.printFontSize(), 8);
    QVERIFY(run.close());
    const QByteArray text = run.settings();
    QCOMPARE(valueNames(text), QStringList({"left", "top", "height", "width", "fontsize", "windowstate",
                                            "combo", "g1", "g2", "g3", "g4", "g5", "g6", "printsize"}));
    QVERIFY(text.contains(dword("width", 640)));
    QVERIFY(text.contains(dword("fontsize", 8))); // the 10-pixel start font at 96 dpi
    QVERIFY(text.contains(dword("windowstate", 0)));
    QVERIFY(text.contains(dword("printsize", 8)));
}

void WindowSettingsTest::storedPlacementIsApplied() {
    MainWindowRun run;
    run.writeSettings(key(allButFontSize(0, 30) + dword("fontsize", 12)));
    TForm1& form = run.start();
    QVERIFY(run.startupErrors().isEmpty());
    QCOMPARE(form.frameGeometry(), QRect(30, 40, 700, 300));
    QCOMPARE(run.combo().currentIndex(), 2);
    QCOMPARE(form.printFontSize(), 11);
    QCOMPARE(form.gridFontPoints(), 12);
    QCOMPARE(form.rowHeight(), 22);
    QCOMPARE(form.columnRatios()[0], 700.0 / 175);
}

void WindowSettingsTest::leftBeyondTheScreenIsIgnored() {
    MainWindowRun run;
    run.writeSettings(key(allButFontSize(0, 5000) + dword("fontsize", 8)));
    TForm1& form = run.start();
    QVERIFY(form.frameGeometry().left() < 5000);
    QCOMPARE(form.frameGeometry().top(), 40);
    QCOMPARE(form.frameGeometry().size(), QSize(700, 300));
}

void WindowSettingsTest::maximisedSkipsThePlacement() {
    MainWindowRun run;
    run.writeSettings(key(dword("windowstate", 1) + dword("combo", 1) + ratio("g1", 10) + ratio("g2", 10) +
                          ratio("g3", 15) + ratio("g4", 5) + ratio("g5", 6) + ratio("g6", 5) +
                          dword("printsize", 9) + dword("fontsize", 8)));
    TForm1& form = run.start();
    QVERIFY(run.startupErrors().isEmpty()); // no placement value was asked for
    QVERIFY(form.isMaximized());
    QCOMPARE(run.combo().currentIndex(), 1);
    QVERIFY(run.close());
    QVERIFY(run.settings().contains(dword("windowstate", 1)));
}

void WindowSettingsTest::missingFontSizeStopsTheReadingThere() {
    MainWindowRun run;
    run.writeSettings(key(allButFontSize(0, 10)));
    TForm1& form = run.start();
    QCOMPARE(run.startupErrors(), QStringList(QStringLiteral("Konnte Daten für 'fontsize' nicht holen")));
    QCOMPARE(form.printFontSize(), 11);
    QCOMPARE(run.combo().currentIndex(), 2);
    QCOMPARE(form.rowHeight(), 16); // still the start font
}

void WindowSettingsTest::comboOutsideTheItemsFallsBackAtActivation() {
    MainWindowRun run;
    QByteArray values = allButFontSize(0, 10) + dword("fontsize", 8);
    values.replace(dword("combo", 2), dword("combo", 9));
    run.writeSettings(key(values));
    run.start();
    QCOMPARE(run.combo().currentIndex(), 0);
}

void WindowSettingsTest::fontSizeRoundTripsThroughPoints() {
    MainWindowRun first;
    first.start();
    QCOMPARE(first.form().rowHeight(), 16);
    QVERIFY(first.close());
    MainWindowRun second;
    second.writeSettings(first.settings());
    second.start();
    QCOMPARE(second.form().rowHeight(), 17); // 8 points are 11 pixels
}

void WindowSettingsTest::unwritableSettingsDoNotTrapTheUser() {
    MainWindowRun run;
    run.start();
    // A plain file where the settings folder should be: no one, root included, can write there.
    std::filesystem::create_directories(run.settingsFile().parent_path().parent_path());
    std::ofstream(run.settingsFile().parent_path()) << "in the way";
    clickInNextModal(QStringLiteral("OK"));
    QVERIFY(run.close());
}

void WindowSettingsTest::damagedValuesStillStartAWorkingWindow_data() {
    QTest::addColumn<quint32>("extreme"); // for "combo", "printsize" and "fontsize"
    QTest::addColumn<int>("rowHeight");
    QTest::newRow("lowest") << static_cast<quint32>(INT_MIN) << 7;     // 1 point, 1 pixel
    QTest::newRow("highest") << static_cast<quint32>(INT_MAX) << 1339; // 1,000 points, 1,333 pixels
}

void WindowSettingsTest::damagedValuesStillStartAWorkingWindow() {
    QFETCH(quint32, extreme);
    QFETCH(int, rowHeight);
    constexpr double infinity = std::numeric_limits<double>::infinity();
    MainWindowRun run;
    run.writeSettings(key(dword("windowstate", 0) + dword("left", 10) + dword("top", 40) +
                          dword("width", 700) + dword("height", 300) + dword("combo", extreme) +
                          ratio("g1", std::numeric_limits<double>::quiet_NaN()) + ratio("g2", infinity) +
                          ratio("g3", -infinity) + ratio("g4", -5) + ratio("g5", 1e308) +
                          ratio("g6", 5e-324) + dword("printsize", extreme) + dword("fontsize", extreme)));
    TForm1& form = run.start();
    QCOMPARE(form.windowTitle(), QStringLiteral("Numberwell V1.0 "));
    QCOMPARE(run.combo().currentIndex(), 0);
    QCOMPARE(form.rowHeight(), rowHeight);
    // Within a pixel: the window may be laid out at another width before the frame is known, and the
    // ratios carry that layout's rounding.
    const ui::ColumnWidths firstStart = ui::layoutColumns(form.width(), ui::FirstStartRatios);
    for (int column = 0; column < ui::RatioCount; ++column) {
        QVERIFY(std::abs(run.grid().horizontalHeader()->sectionSize(column) -
                         firstStart[static_cast<std::size_t>(column)]) <= 1);
        QVERIFY(std::isfinite(form.columnRatios()[static_cast<std::size_t>(column)]));
    }
    QVERIFY(run.close());
    // Made safe where it is used, the user's print size is written back as it was read.
    QVERIFY(run.settings().contains(dword("printsize", extreme)));
}

QTEST_MAIN(WindowSettingsTest)
#include "test_window_settings.moc"
