#pragma once

#include "AddressModel.h"
#include "ColumnLayout.h"
#include "FindRun.h"
#include "PrintProgress.h"
#include "WindowSync.h"
#include "print/ListPrinter.h"
#include "session/ListSession.h"
#include "settings/ViewSettings.h"

#include <QMainWindow>

#include <filesystem>
#include <memory>
#include <optional>

namespace Ui {
class TForm1;
}
class QDialog;
class QPrinter;
class AddressGrid;
class TForm2;
class TForm3;
class TForm6;

// The main window: the address grid with its search panel, menus and commands, over a list that the
// session has opened. The three dialogs are made with it and live as long as it does.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Shows the list, placed and laid out by the view values of the last run (nothing: none stored).
    TForm1(session::ListSession& list, const std::optional<settings::ViewValues>& stored,
           QWidget* parent = nullptr);
    ~TForm1() override;

    // Stores what a close stores, and the window stays: for a session manager that may still cancel its
    // log-off. Raises when the addresses could not be saved.
    void saveWithoutClosing();

    const AddressModel& model() const { return model_; }
    bool tableChanged() const { return list_.tableChanged(); }
    int currentRecord() const;
    const ui::ColumnRatios& columnRatios() const { return ColumnRatios; }
    int printFontSize() const { return PrintFontSize; }
    int gridFontPoints() const;
    int rowHeight() const;

    // The contacts of a file opened while the window runs, added as at start, with the same notice when
    // told to.
    void addContactsFrom(const std::filesystem::path& file, bool tell = true);

public slots:
    void Edit1Change();
    void comboChange();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void stringgrid1DblClick();
    void About1Click();
    void AndereProgramme1Click();
    void Schriftgre1Click();
    void SchriftgrefrDrucker1Click();
    void Suchen1Click();
    void Weitersuchen1Click();
    void Listedrucken1Click();
    void Synchronisieren1Click();
    void Synchronisationskonto1Click();
    void Quit1Click();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(const std::optional<settings::ViewValues>& stored);
    void FormActivate();
    void FormCloseQuery();
    void FormResize();
    void stringgrid1ColWidthsChanged();
    bool StringGrid1SelectCell(int column, int row);
    bool Edit1KeyDown(int key);
    void sort();
    void showFound(int record, bool wrapped);
    void showNotFound();

    AddressGrid& grid() const;
    int showModal(QDialog& dialog);
    void selectRow(int row);
    int keyColumn() const;
    void setGridFontPixels(int pixels);
    void applyRowHeightRule();
    ui::ColumnWidths columnWidths() const;
    void setEmailEnabled(bool enabled);
    book::Record entryFields() const;
    void showEntryDialog(const QString& caption, const book::Record& fields);
    bool confirmDelete();
    void applyViewSettings(const std::optional<settings::ViewValues>& stored);
    settings::ViewValues viewValues() const;
    int screenDpi() const;

    std::unique_ptr<Ui::TForm1> ui_;
    session::ListSession& list_;
    AddressModel model_;
    std::unique_ptr<QPrinter> printer_;
    print::ListPrinter listPrinter_;
    ui::PrintProgress printProgress_{listPrinter_, *this};
    FindRun findRun_{model_};
    ui::WindowSync sync_{list_, *this, [this] { return keyColumn(); }};

    ui::ColumnRatios ColumnRatios = ui::FirstStartRatios;
    int PrintFontSize = 8;
    bool activated_ = false;

    // Made after the window itself, as their order has it; children of the window.
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm6* Form6 = nullptr;
};
