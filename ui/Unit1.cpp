#include "Unit1.h"

#include "AccessibleText.h"
#include "AddressGrid.h"
#include "CellText.h"
#include "DialogFrame.h"
#include "ErrorBox.h"
#include "FontSize.h"
#include "HandlerEdge.h"
#include "MessageBox.h"
#include "OuterGeometry.h"
#include "ShellOpen.h"
#include "StartPlacement.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit6.h"
#include "WebAddress.h"
#include "WindowFrame.h"
#include "book/Sort.h"
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

namespace {

constexpr int DesignFontPixels = 10;

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

TForm1::TForm1(session::ListSession& list, const std::optional<settings::ViewValues>& stored, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::TForm1>()), list_(list), model_(list, this) {
    ui_->setupUi(this);
    ui::setFontPixels(*this, DesignFontPixels);
    ui::setFontPixels(*ui_->combo, 12);
    ui::setFontPixels(*ui_->Button4, 11);
    ui::setFontPixels(*ui_->editor, DesignFontPixels);
    ui_->Button5->setToolTip(QString::fromLatin1(ui::WebAddress));
    fitToItems(*ui_->combo, *ui_->Edit1);
    ui::nameControls(*this);
    ui_->Edit1->installEventFilter(this);
    connect(grid().horizontalHeader(), &QHeaderView::sectionResized, this,
            &TForm1::stringgrid1ColWidthsChanged);
    connect(&listPrinter_, &print::ListPrinter::failed, this,
            [this](const QString& message) { ui::showErrorBox(this, message); });
    connect(&findRun_, &FindRun::found, this, &TForm1::showFound);
    connect(&findRun_, &FindRun::notFound, this, &TForm1::showNotFound);
    connect(ui_->findBar, &FindBar::closed, this, [this] { ui_->Edit1->setFocus(); });

    FormCreate(stored);

    // Set after start-up, which makes the first row current without asking the grid's rule.
    grid().setRowQuestion([this](int column, int row) { return StringGrid1SelectCell(column, row); });

    Form2 = new TForm2(this);
    Form3 = new TForm3(this);
    Form6 = new TForm6(this);
    connect(Form6, &TForm6::internetRequested, this,
            [] { ui::shellOpen(QString::fromLatin1(ui::WebAddress)); });
}

TForm1::~TForm1() = default;

AddressGrid& TForm1::grid() const {
    return *ui_->stringgrid1;
}

int TForm1::showModal(QDialog& dialog) {
    const int result = dialog.exec();
    // Back to the control that had the focus, also where no window manager hands the activation back.
    activateWindow();
    return result;
}

// ---- start-up and shutdown ----

// What the window shows of the list the session opened: the values of the last run, the columns in
// their proportions, the rows at the height of the font, the first row current.
void TForm1::FormCreate(const std::optional<settings::ViewValues>& stored) {
    applyViewSettings(stored);
    // The row height before the rows: a view given a million rows afterwards makes them all at that
    // height, where changing it would copy its record of every row.
    applyRowHeightRule();
    grid().setModel(&model_);
    FormResize(); // the proportions of the last run, whatever size the window has now
    grid().setCurrentIndex(model_.index(0, 0));
}

bool TForm1::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        ui::atHandlerEdge(this, [this] { FormActivate(); });
    }
    // Closed with everything saved: a print still running would end half-way with the program; a sync
    // stops where it is, which the next one completes.
    if (event->type() == QEvent::Close && event->isAccepted()) {
        listPrinter_.cancel();
        sync_.cancel();
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
    ui::atHandlerEdge(this, [this, event] {
        FormCloseQuery();
        list_.close();
        event->accept();
    });
}

void TForm1::saveWithoutClosing() {
    FormCloseQuery();
}

void TForm1::FormCloseQuery() {
    const std::optional<std::string> keptCopy = list_.save(); // "Adressen.txt", when the table changed
    try {
        list_.writeViewSettings(viewValues());
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
}

settings::ViewValues TForm1::viewValues() const {
    const QRect outer = geometry().marginsAdded(ui::windowFrame(*this));
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
    ui::atHandlerEdge(this, [this] { FormResize(); });
}

ui::ColumnWidths TForm1::columnWidths() const {
    ui::ColumnWidths widths{};
    const QHeaderView* const header = grid().horizontalHeader();
    for (std::size_t column = 0; column < widths.size(); ++column) {
        widths[column] = header->sectionSize(static_cast<int>(column));
    }
    return widths;
}

void TForm1::FormResize() {
    const ui::ColumnWidths widths = ui::layoutColumns(width(), ColumnRatios);
    QHeaderView* const header = grid().horizontalHeader();
    for (std::size_t column = 0; column < widths.size(); ++column) {
        header->resizeSection(static_cast<int>(column), widths[column]);
    }
}

void TForm1::stringgrid1ColWidthsChanged() {
    ColumnRatios = ui::measureRatios(width(), columnWidths(), ColumnRatios);
}

int TForm1::gridFontPoints() const {
    return ui::pixelsToPoints(grid().font().pixelSize(), screenDpi());
}

int TForm1::rowHeight() const {
    return grid().rowHeight();
}

void TForm1::setGridFontPixels(int pixels) {
    ui::setFontPixels(grid(), pixels);
}

void TForm1::applyRowHeightRule() {
    grid().setRowHeight(ui::rowHeightFor(grid().font().pixelSize()));
}

// ---- selection and search ----

int TForm1::currentRecord() const {
    return std::max(0, grid().currentIndex().row());
}

int TForm1::keyColumn() const {
    return std::max(0, ui_->combo->currentIndex());
}

void TForm1::selectRow(int row) {
    if (row < 0 || row >= model_.rowCount()) {
        throw std::out_of_range(book::GridIndexError);
    }
    if (row == currentRecord()) {
        return;
    }
    const QModelIndex target = model_.index(row, std::max(0, grid().currentIndex().column()));
    grid().selectionModel()->setCurrentIndex(target,
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid().scrollTo(target);
}

// The heading row is the view's own and can never be current.
bool TForm1::StringGrid1SelectCell(int /*column*/, int row) {
    setEmailEnabled(!model_.table().cell(book::EmailColumn, row).empty());
    return true;
}

void TForm1::setEmailEnabled(bool enabled) {
    ui_->Button4->setEnabled(enabled);
    ui_->email1->setEnabled(enabled);
}

void TForm1::Edit1Change() {
    ui::atHandlerEdge(this, [this] {
        const book::AddressTable& table = model_.table();
        selectRow(book::locateRow(table, keyColumn(), ui::toCellLossy(ui_->Edit1->text()), 0,
                                  table.recordCount() - 1));
    });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->Edit1 && event->type() == QEvent::KeyPress) {
        bool consumed = false;
        ui::atHandlerEdge(this, [&] { consumed = Edit1KeyDown(static_cast<QKeyEvent*>(event)->key()); });
        return consumed;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::Edit1KeyDown(int key) {
    const int row = currentRecord();
    if (key == Qt::Key_Up) {
        if (row > 0) {
            selectRow(row - 1);
        }
        return true;
    }
    if (key == Qt::Key_Down) {
        if (row < model_.rowCount() - 1) {
            selectRow(row + 1);
        }
        return true;
    }
    return false;
}

void TForm1::sort() {
    list_.sortByColumn(keyColumn());
}

// The re-sort marks the table changed, so that the list is saved in the new order; the current row
// number stays until the search moves it.
void TForm1::comboChange() {
    ui::atHandlerEdge(this, [this] {
        grid().keepingCurrentRow([this] { sort(); });
        ui_->Edit1->setFocus();
        Edit1Change();
    });
}

// ---- find in every field ----

void TForm1::Suchen1Click() {
    ui::atHandlerEdge(this, [this] { ui_->findBar->open(); });
}

// From the record after the current one; the selection stays where nothing is found.
void TForm1::Weitersuchen1Click() {
    ui::atHandlerEdge(this, [this] {
        const QString text = ui_->findBar->text();
        if (text.isEmpty()) {
            ui_->findBar->open();
            return;
        }
        ui_->findBar->show();
        ui_->findBar->tell(QStringLiteral("Searching..."));
        const std::string bytes = ui::toCellLossy(text);
        if (ui::toDisplay(bytes) != text) { // a character no field can hold
            showNotFound();
            return;
        }
        findRun_.start(bytes, currentRecord());
    });
}

void TForm1::showNotFound() {
    ui_->findBar->tell(QStringLiteral("Not found: %1").arg(ui_->findBar->text()));
}

void TForm1::showFound(int record, bool wrapped) {
    ui::atHandlerEdge(this, [&] {
        selectRow(record);
        ui_->findBar->tell(wrapped ? QStringLiteral("Passed the end, went on from the top") : QString());
    });
}

// ---- contacts from a later start ----

// As at start, in key order of the search field, with the same notice. The current row number stays, as
// after Add.
void TForm1::addContactsFrom(const std::filesystem::path& file, bool tell) {
    ui::atHandlerEdge(this, [&] {
        session::ContactsOutcome outcome;
        grid().keepingCurrentRow([&] { outcome = list_.addContactsFrom(file, keyColumn()); });
        if (!tell) {
            return;
        }
        if (outcome.kind == session::ContactsOutcome::Kind::Failed) {
            ui::showErrorBox(this, QString::fromStdString(outcome.text));
        } else {
            ui::showInformation(this, QString::fromStdString(outcome.text));
        }
    });
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

// Add, Change and Delete keep the current row number, whatever record comes to stand in it.
void TForm1::Button1Click() {
    ui::atHandlerEdge(this, [this] {
        showEntryDialog(QStringLiteral("Add"), book::Record());
        if (Form2->EntryCancelled()) {
            return;
        }
        // At its place in key order, or into the empty list's blank record.
        grid().keepingCurrentRow([this] { list_.add(keyColumn(), entryFields()); });
    });
}

void TForm1::Button3Click() {
    ui::atHandlerEdge(this, [this] {
        const int record = currentRecord();
        showEntryDialog(QStringLiteral("Change"), model_.table().record(record));
        if (Form2->EntryCancelled()) {
            return;
        }
        // Rewritten, then the list sorted again.
        grid().keepingCurrentRow([&] { list_.change(record, entryFields(), keyColumn()); });
    });
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
    ui::atHandlerEdge(this, [this] {
        if (confirmDelete()) {
            // The records below move up; the only record is emptied instead.
            grid().keepingCurrentRow([this] { list_.remove(currentRecord()); });
        }
    });
}

// ---- e-mail, web, information ----

void TForm1::Button4Click() {
    ui::atHandlerEdge(this, [this] {
        ui::shellOpen(QStringLiteral("mailto:") +
                      ui::toDisplay(model_.table().cell(book::EmailColumn, currentRecord())));
    });
}

void TForm1::Button5Click() {
    ui::atHandlerEdge(this, [this] { Form6->Button2Click(); });
}

void TForm1::AndereProgramme1Click() {
    ui::atHandlerEdge(this, [this] { showModal(*Form6); });
}

void TForm1::About1Click() {
    ui::atHandlerEdge(this, [this] {
        const QString text = QStringLiteral("Numberwell Version 1.0\n"
                                            "A small, fast address and telephone list.\n"
                                            "Written by the Numberwell developers.\n"
                                            "News, help and contact on the web:\n") +
                             QString::fromLatin1(ui::WebAddress);
        ui::MessageBox box(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok,
                           this);
        box.setEscapeButton(QMessageBox::Ok);
        showModal(box);
    });
}

// ---- font sizes ----

void TForm1::Schriftgre1Click() {
    ui::atHandlerEdge(this, [this] {
        Form3->setWindowTitle(QStringLiteral("Font size for viewing"));
        Form3->setValue(gridFontPoints());
        showModal(*Form3);
        if (Form3->FontSizeCancelled()) {
            return;
        }
        setGridFontPixels(ui::pointsToPixels(ui::drawablePoints(Form3->value()), screenDpi()));
        applyRowHeightRule();
    });
}

void TForm1::SchriftgrefrDrucker1Click() {
    ui::atHandlerEdge(this, [this] {
        Form3->setWindowTitle(QStringLiteral("Font size for printer"));
        Form3->setValue(PrintFontSize);
        showModal(*Form3);
        if (!Form3->FontSizeCancelled()) {
            PrintFontSize = Form3->value();
        }
    });
}

// ---- printing ----

void TForm1::Listedrucken1Click() {
    ui::atHandlerEdge(this, [this] {
        if (!print::defaultPrinterKnown()) {
            throw std::runtime_error("Zur Zeit ist kein Standard-Drucker gewählt");
        }
        listPrinter_.refuseWhileBusy();
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
    });
}

// ---- synchronising ----

void TForm1::Synchronisieren1Click() {
    ui::atHandlerEdge(this, [this] { sync_.synchronise(); });
}

void TForm1::Synchronisationskonto1Click() {
    ui::atHandlerEdge(this, [this] { sync_.setUpAccount(); });
}
