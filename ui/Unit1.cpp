#include "Unit1.h"

#include "AccessibleText.h"
#include "CellText.h"
#include "ErrorBox.h"
#include "FontSize.h"
#include "MessageBox.h"
#include "OuterGeometry.h"
#include "ShellOpen.h"
#include "StartPlacement.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit6.h"
#include "WebAddress.h"
#include "book/Sort.h"
#include "exchange/ListExchange.h"
#include "print/ListPrinter.h"
#include "settings/SettingsKey.h"
#include "ui_Unit1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>

#include <stdexcept>
#include <system_error>

namespace {

constexpr int DesignFontPixels = 10;

const QString ProbeFailedNotice =
    QStringLiteral("Auf dem derzeitigen Datenträger läßt sich nicht abspeichern.\n"
                   "Laden Sie die Datei 'Setup.exe', um das Programm auf der\n"
                   "Festplatte zu installieren");

QFont withPixelSize(QFont font, int pixels) {
    font.setPixelSize(std::max(1, pixels));
    return font;
}

// Where the design font is missing its stand-in is wider: the drop-down grows until its longest item
// fits, and the search box beside it gives up that width, keeping its right edge.
void fitToItems(QComboBox& combo, QWidget& neighbour) {
    const int growth = combo.sizeHint().width() - combo.width();
    if (growth > 0) {
        combo.resize(combo.width() + growth, combo.height());
        neighbour.setGeometry(neighbour.geometry().adjusted(growth, 0, 0, 0));
    }
}

} // namespace

TForm1::TForm1(Places places, QWidget* parent)
    : TForm1(places, std::make_unique<book::AddressBook>(places.programFolder), parent) {}

TForm1::TForm1(Places places, std::unique_ptr<book::AddressBook> book, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::TForm1>()), places_(std::move(places)),
      book_(std::move(book)), model_(*book_, this) {
    ui_->setupUi(this);
    setFont(withPixelSize(font(), DesignFontPixels));
    ui_->combo->setFont(withPixelSize(ui_->combo->font(), 12));
    ui_->Button4->setFont(withPixelSize(ui_->Button4->font(), 11));
    ui_->editor->setFont(withPixelSize(ui_->editor->font(), DesignFontPixels));
    ui_->Button5->setToolTip(QString::fromLatin1(ui::WebAddress));
    fitToItems(*ui_->combo, *ui_->Edit1);
    ui::nameControls(*this);
    ui_->stringgrid1->setModel(&model_);
    ui_->Edit1->installEventFilter(this);
    connect(ui_->stringgrid1->horizontalHeader(), &QHeaderView::sectionResized, this,
            &TForm1::stringgrid1ColWidthsChanged);
    connect(&listPrinter_, &print::ListPrinter::failed, this,
            [this](const QString& message) { ui::showErrorBox(this, message); });
    connect(&findRun_, &FindRun::found, this, &TForm1::showFound);
    connect(&findRun_, &FindRun::notFound, this, &TForm1::showNotFound);
    connect(ui_->findBar, &FindBar::closed, this, [this] { ui_->Edit1->setFocus(); });

    FormCreate();

    // Set after start-up, which makes row 1 current without asking the grid's rule.
    ui_->stringgrid1->setRowQuestion(
        [this](int column, int row) { return StringGrid1SelectCell(column, row); });
}

TForm1::~TForm1() = default;

void TForm1::attachDialogs(TForm2* entry, TForm3* fontSize, TForm6* otherPrograms) {
    Form2 = entry;
    Form3 = fontSize;
    Form6 = otherPrograms;
    connect(Form6, &TForm6::internetRequested, this,
            [] { ui::shellOpen(QString::fromLatin1(ui::WebAddress)); });
}

int TForm1::showModal(QDialog& dialog) {
    const int result = dialog.exec();
    // Back to the control that had the focus, also where no window manager hands the activation back.
    activateWindow();
    return result;
}

// ---- start-up and shutdown ----

void TForm1::FormCreate() {
    std::error_code folderError;
    std::filesystem::current_path(places_.programFolder, folderError);
    if (folderError) {
        startupErrors_ << QString::fromStdString(folderError.message());
    }

    if (book_->writeProbe()) {
        ui::showInformation(nullptr, ProbeFailedNotice);
        probeFailed_ = true;
        return;
    }

    try {
        listLock_ = files::FileLock::take(places_.programFolder, files::FileLock::Kind::Shared);
    } catch (const files::FileError&) {
        // A folder that cannot be locked (some network folders) only loses the guard against an import.
    }
    listRead_ = loadAddresses(); // the headings are row 0 of every table

    try {
        applyViewSettings(settings::readViewSettings(places_.settingsFile));
    } catch (const std::exception& error) { // the file's own errors come with the values read
        startupErrors_ << QString::fromUtf8(error.what());
    }
    FormResize();           // the proportions of the last run, whatever size the window has now
    addContacts(listRead_); // in the key order of the search field just read

    // The row height before the row count: a view that gets a million rows afterwards makes them all
    // at that height, where changing it would copy its record of every row.
    applyRowHeightRule();
    model_.showLoadedTable();
    ui_->stringgrid1->setCurrentIndex(model_.index(0, 0));
}

// Whatever fails (the file, or memory on a hostile one) leaves the empty list and is told once the window
// exists; the unread file is kept under a dated name before a save replaces it.
bool TForm1::loadAddresses() {
    try {
        book_->load();
        return true;
    } catch (const std::exception& error) {
        startupErrors_ << QString::fromUtf8(error.what());
    } catch (...) {
        startupErrors_ << QStringLiteral("Unbekannter Fehler beim Lesen von Adressen.txt");
    }
    return false;
}

// The contacts of the file the program was opened with, added as Add would add them, before the view
// is told the rows.
void TForm1::addContacts(bool listRead) {
    const std::filesystem::path& file = places_.contactsToAdd;
    if (file.empty()) {
        return;
    }
    try {
        contactsNotice_ = contactsAdded(file, listRead);
    } catch (const std::exception& error) {
        startupErrors_ << QString::fromUtf8(error.what());
    } catch (...) {
        startupErrors_ << unknownContactsError(file);
    }
}

// What adding the file's contacts did, for the notice; what reading it raises goes on.
QString TForm1::contactsAdded(const std::filesystem::path& file, bool listRead) {
    if (!listRead) {
        return QStringLiteral("No contacts added from %1: the address list could not be read")
            .arg(QString::fromStdString(file.filename().string()));
    }
    const exchange::ReadResult contacts = exchange::readContactsFile(file);
    exchange::addToList(*book_, keyColumn(), contacts);
    return QString::fromStdString(exchange::summaryText(contacts));
}

QString TForm1::unknownContactsError(const std::filesystem::path& file) {
    return QStringLiteral("Unbekannter Fehler beim Lesen von %1")
        .arg(QString::fromStdString(file.filename().string()));
}

// As at start, into the running window: the same places, the same notice. The current row number stays,
// as after Add.
void TForm1::addContactsFrom(const std::filesystem::path& file, bool tell) {
    const QModelIndex current = ui_->stringgrid1->currentIndex();
    QString notice;
    QString failure;
    try {
        notice = contactsAdded(file, listRead_);
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    } catch (...) {
        failure = unknownContactsError(file);
    }
    model_.showLoadedTable();
    ui_->stringgrid1->setCurrentIndex(
        model_.index(std::max(0, current.row()), std::max(0, current.column())));
    if (!tell) {
        return;
    }
    if (failure.isEmpty()) {
        ui::showInformation(this, notice);
    } else {
        ui::showErrorBox(this, failure);
    }
}

bool TForm1::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        FormActivate();
    }
    // Closed with everything saved: a print still running would end half-way with the program.
    if (event->type() == QEvent::Close && event->isAccepted()) {
        listPrinter_.cancel();
    }
    return handled;
}

void TForm1::FormActivate() {
    if (ui_->combo->currentIndex() < 0) {
        ui_->combo->setCurrentIndex(0);
    }
    ui_->Edit1->setFocus();
    setWindowTitle(QStringLiteral("Numberwell V1.0 "));
    ui_->Adresse1->insertSeparator(ui_->Listedrucken1);
    ui_->Info1->insertSeparator(ui_->AndereProgramme1);
}

void TForm1::Quit1Click() {
    close();
}

// The close goes ahead only once the addresses are safe: any failure of the save keeps the window open,
// so that the user can try again.
void TForm1::closeEvent(QCloseEvent* event) {
    event->ignore();
    QString failure;
    try {
        FormCloseQuery();
        event->accept();
        return;
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    } catch (...) {
        failure = QStringLiteral("Unbekannter Fehler beim Speichern von Adressen.txt");
    }
    ui::showErrorBox(this, failure);
}

void TForm1::saveWithoutClosing() {
    FormCloseQuery();
}

void TForm1::FormCloseQuery() {
    std::optional<std::string> keptCopy;
    if (book_->tableChanged()) {
        keptCopy = book_->save();
    }
    try {
        settings::writeViewSettings(places_.settingsFile, viewValues());
    } catch (const settings::SettingsError& error) {
        // The addresses are saved already; a program that cannot close would help nobody.
        ui::showErrorBox(this, QString::fromUtf8(error.what()));
    }
    // Told only once everything is stored, so that a log-off waiting on the message loses nothing.
    if (keptCopy) {
        ui::showErrorBox(this, QString::fromUtf8(book::keptVersionNotice(*keptCopy)));
    }
}

// ---- settings ----

int TForm1::screenDpi() const {
    return static_cast<int>(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInchY()));
}

// Values after one that could not be read keep what they had.
void TForm1::applyViewSettings(const std::optional<settings::ViewValues>& stored) {
    const QScreen& screen = *QGuiApplication::primaryScreen();
    const ui::StartPlacement placement =
        ui::startPlacement(stored, screen.geometry(), screen.virtualGeometry());
    ui::placeOuter(*this, placement.outer);
    if (placement.maximised) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
    if (!stored) {
        ui_->combo->setCurrentIndex(0);
        PrintFontSize = 8;
        return;
    }
    if (stored->combo) {
        const int index = *stored->combo;
        ui_->combo->setCurrentIndex(index >= 0 && index < ui_->combo->count() ? index : -1);
    }
    for (std::size_t column = 0; column < ColumnRatios.size(); ++column) {
        ColumnRatios[column] = stored->ratios[column].value_or(ColumnRatios[column]);
    }
    PrintFontSize = stored->printSize.value_or(PrintFontSize);
    if (stored->fontSize) {
        setGridFontPixels(ui::pointsToPixels(ui::drawablePoints(*stored->fontSize), screenDpi()));
    }
    if (stored->error) {
        startupErrors_ << QString::fromStdString(*stored->error);
    }
}

settings::ViewValues TForm1::viewValues() const {
    const QRect outer = frameGeometry();
    settings::ViewValues values;
    values.left = outer.left();
    values.top = outer.top();
    values.width = outer.width();
    values.height = outer.height();
    values.fontSize = gridFontPoints();
    values.maximised = windowState().testFlag(Qt::WindowMaximized);
    values.combo = ui_->combo->currentIndex();
    std::copy(ColumnRatios.begin(), ColumnRatios.end(), values.ratios.begin());
    values.printSize = PrintFontSize;
    return values;
}

// ---- grid layout ----

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

ui::ColumnWidths TForm1::columnWidths() const {
    ui::ColumnWidths widths{};
    const QHeaderView* const header = ui_->stringgrid1->horizontalHeader();
    for (int column = 0; column < ui::GridColumns; ++column) {
        widths[static_cast<std::size_t>(column)] = header->sectionSize(column);
    }
    return widths;
}

void TForm1::FormResize() {
    const ui::ColumnWidths widths = ui::layoutColumns(width(), ColumnRatios);
    QHeaderView* const header = ui_->stringgrid1->horizontalHeader();
    for (int column = 0; column < ui::GridColumns; ++column) {
        header->resizeSection(column, widths[static_cast<std::size_t>(column)]);
    }
}

void TForm1::stringgrid1ColWidthsChanged() {
    ColumnRatios = ui::measureRatios(width(), columnWidths(), ColumnRatios);
}

int TForm1::gridFontPoints() const {
    return ui::pixelsToPoints(ui_->stringgrid1->font().pixelSize(), screenDpi());
}

int TForm1::rowHeight() const {
    return ui_->stringgrid1->rowHeight();
}

void TForm1::setGridFontPixels(int pixels) {
    ui_->stringgrid1->setFont(withPixelSize(ui_->stringgrid1->font(), pixels));
}

void TForm1::applyRowHeightRule() {
    ui_->stringgrid1->setRowHeight(ui::rowHeightFor(ui_->stringgrid1->font().pixelSize()));
}

// ---- selection and search ----

int TForm1::currentRow() const {
    const QModelIndex current = ui_->stringgrid1->currentIndex();
    return current.isValid() ? current.row() + 1 : 1;
}

int TForm1::keyColumn() const {
    return std::max(0, ui_->combo->currentIndex());
}

void TForm1::selectRow(int row) {
    if (row < 0 || row >= model_.table().rowCount()) {
        throw std::out_of_range("Gitterindex außerhalb des zulässigen Bereichs");
    }
    const int column = std::max(0, ui_->stringgrid1->currentIndex().column());
    if (row == currentRow() || (row == 0 && !StringGrid1SelectCell(column, row))) {
        return;
    }
    const QModelIndex target = model_.index(row - 1, column);
    ui_->stringgrid1->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                                    QItemSelectionModel::Rows);
    ui_->stringgrid1->scrollTo(target);
}

bool TForm1::StringGrid1SelectCell(int /*column*/, int row) {
    if (row == 0) {
        return false;
    }
    setEmailEnabled(!model_.table().cell(book::EmailColumn, row).empty());
    return true;
}

void TForm1::setEmailEnabled(bool enabled) {
    ui_->Button4->setEnabled(enabled);
    ui_->email1->setEnabled(enabled);
}

void TForm1::Edit1Change() {
    const book::AddressTable& table = model_.table();
    if (table.rowCount() > 1) {
        selectRow(book::locateRow(table, keyColumn(), ui::toCellLossy(ui_->Edit1->text()), 1,
                                  table.rowCount() - 1));
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->Edit1 && event->type() == QEvent::KeyPress) {
        return Edit1KeyDown(static_cast<QKeyEvent*>(event)->key());
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::Edit1KeyDown(int key) {
    const int row = currentRow();
    if (key == Qt::Key_Up) {
        if (row > 1) {
            selectRow(row - 1);
        }
        return true;
    }
    if (key == Qt::Key_Down) {
        if (row < model_.table().rowCount() - 1) {
            selectRow(row + 1);
        }
        return true;
    }
    return false;
}

void TForm1::sort() {
    model_.sortByColumn(keyColumn());
}

// The re-sort marks the table changed, so that the list is saved in the new order.
void TForm1::comboChange() {
    sort();
    ui_->Edit1->setFocus();
    Edit1Change();
}

// ---- find in every field ----

void TForm1::Suchen1Click() {
    ui_->findBar->open();
}

// From the record after the current one; the selection stays where nothing is found.
void TForm1::Weitersuchen1Click() {
    const QString text = ui_->findBar->text();
    if (text.isEmpty()) {
        ui_->findBar->open();
        return;
    }
    ui_->findBar->show();
    ui_->findBar->tell(QStringLiteral("Searching..."));
    const std::optional<std::string> bytes = ui::toCell(text);
    if (!bytes) { // a character no field can hold
        showNotFound();
        return;
    }
    findRun_.start(*bytes, currentRow() - 1);
}

void TForm1::showNotFound() {
    ui_->findBar->tell(QStringLiteral("Not found: %1").arg(ui_->findBar->text()));
}

void TForm1::showFound(int record, bool wrapped) {
    selectRow(record + 1);
    ui_->findBar->tell(wrapped ? QStringLiteral("Passed the end, went on from the top") : QString());
}

// ---- editing ----

void TForm1::showEntryDialog(const QString& caption, const book::Record& fields) {
    Form2->setWindowTitle(caption);
    for (int column = 0; column < book::ColumnCount; ++column) {
        Form2->field(column)->setText(ui::toDisplay(fields.field(column)));
    }
    showModal(*Form2);
}

book::Record TForm1::entryFields() const {
    book::Record record;
    for (int column = 0; column < book::ColumnCount; ++column) {
        record.setField(column, ui::toCellLossy(Form2->field(column)->text()));
    }
    return record;
}

void TForm1::Button1Click() {
    showEntryDialog(QStringLiteral("Add"), book::Record());
    if (Form2->EntryCancelled()) {
        return;
    }
    model_.add(keyColumn(), entryFields()); // at its place in key order, or into the empty list's row
}

void TForm1::Button3Click() {
    const int row = currentRow();
    if (row <= 0) {
        return;
    }
    showEntryDialog(QStringLiteral("Change"), model_.table().record(row));
    if (Form2->EntryCancelled()) {
        return;
    }
    model_.setRecord(row, entryFields());
    model_.sortAfterChange(keyColumn(), row); // what sort() gives, without sorting everything again
}

void TForm1::stringgrid1DblClick() {
    Button3Click();
}

bool TForm1::confirmDelete() {
    ui::MessageBox box(QMessageBox::Question, QStringLiteral("Bestätigung"), QStringLiteral("Really delete?"),
                       QMessageBox::NoButton, this);
    QPushButton* const ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton* const cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    showModal(box);
    return box.clickedButton() == ok;
}

void TForm1::Button2Click() {
    const book::AddressTable& table = model_.table();
    if (table.rowCount() == 2) {
        if (confirmDelete()) {
            model_.setRecord(1, book::Record());
        }
        return;
    }
    if (currentRow() > 0 && confirmDelete()) {
        model_.removeRecord(currentRow());
    }
    if (currentRow() > table.rowCount() - 1) {
        selectRow(table.rowCount() - 1);
    }
}

// ---- e-mail, web, information ----

void TForm1::Button4Click() {
    const int row = currentRow();
    if (row <= 0) {
        return;
    }
    ui::shellOpen(QStringLiteral("mailto:") + ui::toDisplay(model_.table().cell(book::EmailColumn, row)));
}

void TForm1::Button5Click() {
    Form6->Button2Click();
}

void TForm1::AndereProgramme1Click() {
    showModal(*Form6);
}

void TForm1::About1Click() {
    const QString text = QStringLiteral("Numberwell Version 1.0\n"
                                        "A small, fast address and telephone list.\n"
                                        "Written by the Numberwell developers.\n"
                                        "News, help and contact on the web:\n") +
                         QString::fromLatin1(ui::WebAddress);
    ui::MessageBox box(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok, this);
    box.setEscapeButton(QMessageBox::Ok);
    showModal(box);
}

// ---- font sizes ----

void TForm1::Schriftgre1Click() {
    Form3->setWindowTitle(QStringLiteral("Font size for viewing"));
    Form3->setValue(gridFontPoints());
    showModal(*Form3);
    if (Form3->FontSizeCancelled()) {
        return;
    }
    setGridFontPixels(ui::pointsToPixels(ui::drawablePoints(Form3->value()), screenDpi()));
    applyRowHeightRule();
}

void TForm1::SchriftgrefrDrucker1Click() {
    Form3->setWindowTitle(QStringLiteral("Font size for printer"));
    Form3->setValue(PrintFontSize);
    showModal(*Form3);
    if (!Form3->FontSizeCancelled()) {
        PrintFontSize = Form3->value();
    }
}

// ---- printing ----

void TForm1::Listedrucken1Click() {
    try {
        if (!print::defaultPrinterKnown()) {
            throw std::runtime_error("Zur Zeit ist kein Standard-Drucker gewählt");
        }
        if (listPrinter_.busy()) {
            throw std::runtime_error("Das Drucken ist im Gang");
        }
        if (!printer_) {
            printer_ = std::make_unique<QPrinter>(); // lives for the run: the choice stays selected
            printer_->setPrinterName(QPrinterInfo::defaultPrinter().printerName());
        }
        QPrintDialog dialog(printer_.get(), this);
        dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
        if (showModal(dialog) != QDialog::Accepted) {
            return;
        }
        printer_->setPrintRange(QPrinter::AllPages);
        // A copy: the list can be edited meanwhile, and the paper shows it as it was now.
        listPrinter_.start(model_.table(), *ui_->editor, *printer_, ui::drawablePoints(PrintFontSize));
    } catch (const std::runtime_error& error) {
        ui::showErrorBox(this, QString::fromUtf8(error.what()));
    }
}
