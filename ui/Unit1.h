#pragma once

#include "AddressModel.h"
#include "ColumnLayout.h"
#include "FindRun.h"
#include "PrintProgress.h"
#include "book/AddressBook.h"
#include "files/FileLock.h"
#include "print/ListPrinter.h"
#include "settings/ViewSettings.h"

#include <QMainWindow>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <optional>

namespace Ui {
class TForm1;
}
class QDialog;
class QPrinter;
class TForm2;
class TForm3;
class TForm6;

// The main window: the address grid with its search panel, menus and commands.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    struct Places {
        std::filesystem::path programFolder; // becomes the working folder; holds "Adressen.txt"
        std::filesystem::path settingsFile;
        std::filesystem::path contactsToAdd{}; // a vCard or CSV file opened with the program, or empty
    };
    explicit TForm1(Places places, QWidget* parent = nullptr);
    // With an address book of the caller's (tests use one whose load or save fails).
    TForm1(Places places, std::unique_ptr<book::AddressBook> book, QWidget* parent = nullptr);
    ~TForm1() override;

    // Stores what a close stores, and the window stays: for a session manager that may still cancel its
    // log-off. Raises when the addresses could not be saved.
    void saveWithoutClosing();

    // The dialogs are created after the main window, and used from then on.
    void attachDialogs(TForm2* entry, TForm3* fontSize, TForm6* otherPrograms);

    // The write probe failed: the notice was shown and the program must end at once.
    bool probeFailed() const { return probeFailed_; }
    // Errors raised while the window was created, for the error box once it exists.
    const QStringList& startupErrors() const { return startupErrors_; }
    // What adding the contacts of Places::contactsToAdd did, for a notice once the window shows.
    const QString& contactsNotice() const { return contactsNotice_; }
    // The contacts of a file opened while the window runs, added as at start, with the same notice when
    // told to.
    void addContactsFrom(const std::filesystem::path& file, bool tell = true);

    const AddressModel& model() const { return model_; }
    bool tableChanged() const { return book_->tableChanged(); }
    int currentRow() const;
    const ui::ColumnRatios& columnRatios() const { return ColumnRatios; }
    int printFontSize() const { return PrintFontSize; }
    int gridFontPoints() const;
    int rowHeight() const;

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
    void Quit1Click();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    bool loadAddresses();
    void addContacts(bool listRead);
    QString contactsAdded(const std::filesystem::path& file, bool listRead);
    static QString unknownContactsError(const std::filesystem::path& file);
    void FormActivate();
    void FormCloseQuery();
    void FormResize();
    void stringgrid1ColWidthsChanged();
    bool StringGrid1SelectCell(int column, int row);
    bool Edit1KeyDown(int key);
    void sort();
    void showFound(int record, bool wrapped);
    void showNotFound();

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
    Places places_;
    std::unique_ptr<book::AddressBook> book_;
    AddressModel model_;
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm6* Form6 = nullptr;
    std::unique_ptr<QPrinter> printer_;
    print::ListPrinter listPrinter_;
    ui::PrintProgress printProgress_{listPrinter_, *this};
    FindRun findRun_{model_};

    ui::ColumnRatios ColumnRatios = ui::FirstStartRatios;
    int PrintFontSize = 8;
    bool probeFailed_ = false;
    bool activated_ = false;
    bool listRead_ = false;
    QStringList startupErrors_;
    QString contactsNotice_;
    std::optional<files::FileLock> listLock_; // shared with other windows; an import waits for none
};
