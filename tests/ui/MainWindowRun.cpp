#include "MainWindowRun.h"

#include "support/ModalDriver.h"
#include "ui/AddressGrid.h"
#include "ui/CellText.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>

namespace {

QByteArray readAll(const std::filesystem::path& path) {
    QFile file(QString::fromStdString(path.string()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const std::filesystem::path& path, const QByteArray& bytes) {
    std::filesystem::create_directories(path.parent_path());
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", path.c_str());
    }
}

} // namespace

MainWindowRun::MainWindowRun() {
    if (!dir_.isValid()) {
        qFatal("no temporary folder");
    }
}

MainWindowRun::~MainWindowRun() {
    expectAllModalsAnswered();
}

std::filesystem::path MainWindowRun::folder() const {
    return dir_.path().toStdString();
}
std::filesystem::path MainWindowRun::settingsFile() const {
    return folder() / "config" / "numberwell" / "user.reg";
}
std::filesystem::path MainWindowRun::addressFile() const {
    return folder() / "Adressen.txt";
}

void MainWindowRun::writeAddresses(const QByteArray& bytes) const {
    writeAll(addressFile(), bytes);
}
QByteArray MainWindowRun::addresses() const {
    return readAll(addressFile());
}
bool MainWindowRun::hasAddressFile() const {
    return std::filesystem::exists(addressFile());
}
void MainWindowRun::writeSettings(const QByteArray& text) const {
    writeAll(settingsFile(), text);
}
QByteArray MainWindowRun::settings() const {
    return readAll(settingsFile());
}

TForm1& MainWindowRun::start() {
    return start(std::make_unique<book::AddressBook>(folder()));
}

TForm1& MainWindowRun::start(std::unique_ptr<book::AddressBook> book) {
    start_ = startWindow({folder(), settingsFile()}, contactsToAdd_, std::move(book));
    if (!start_) {
        qFatal("the write probe failed");
    }
    form().show();
    if (!QTest::qWaitForWindowActive(&form())) {
        qWarning("main window did not become active");
    }
    return form();
}

void MainWindowRun::press(Qt::Key key) {
    if (!QTest::qWaitForWindowActive(&form())) {
        qWarning("main window is not active");
    }
    QTest::keyClick(&searchBox(), key);
}

void MainWindowRun::choose(const char* action) {
    form().findChild<QAction*>(QString::fromLatin1(action))->trigger();
}

bool MainWindowRun::close() {
    return form().close();
}

QLineEdit& MainWindowRun::searchBox() {
    return *form().findChild<QLineEdit*>(QStringLiteral("Edit1"));
}
QComboBox& MainWindowRun::combo() {
    return *form().findChild<QComboBox*>(QStringLiteral("combo"));
}
AddressGrid& MainWindowRun::grid() {
    return *form().findChild<AddressGrid*>(QStringLiteral("stringgrid1"));
}

QString MainWindowRun::cell(int column, int record) const {
    return ui::toDisplay(start_->list->table().cell(column, record));
}

int MainWindowRun::recordCount() const {
    return start_->list->table().recordCount();
}
