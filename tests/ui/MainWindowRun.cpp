#include "MainWindowRun.h"

#include "support/ModalDriver.h"
#include "ui/AddressGrid.h"
#include "ui/CellText.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"
#include "ui/Unit6.h"

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
    form_ =
        std::make_unique<TForm1>(TForm1::Places{folder(), settingsFile(), contactsToAdd_}, std::move(book));
    form_->attachDialogs(new TForm2(form_.get()), new TForm3(form_.get()), new TForm6(form_.get()));
    form_->show();
    if (!QTest::qWaitForWindowActive(form_.get())) {
        qWarning("main window did not become active");
    }
    return *form_;
}

void MainWindowRun::press(Qt::Key key) {
    if (!QTest::qWaitForWindowActive(form_.get())) {
        qWarning("main window is not active");
    }
    QTest::keyClick(&searchBox(), key);
}

void MainWindowRun::choose(const char* action) {
    form_->findChild<QAction*>(QString::fromLatin1(action))->trigger();
}

bool MainWindowRun::close() {
    return form_->close();
}

QLineEdit& MainWindowRun::searchBox() {
    return *form_->findChild<QLineEdit*>(QStringLiteral("Edit1"));
}
QComboBox& MainWindowRun::combo() {
    return *form_->findChild<QComboBox*>(QStringLiteral("combo"));
}
AddressGrid& MainWindowRun::grid() {
    return *form_->findChild<AddressGrid*>(QStringLiteral("stringgrid1"));
}

QString MainWindowRun::cell(int column, int row) const {
    return ui::toDisplay(form_->model().table().cell(column, row));
}

int MainWindowRun::rowCount() const {
    return form_->model().table().rowCount();
}
