#pragma once

#include "book/AddressTable.h"

#include <QDialog>

#include <array>
#include <memory>

namespace Ui {
class TForm2;
}
class QLineEdit;

// The entry dialog: the seven fields of one address, confirmed with OK or cancelled. The caller sets
// the title and the fields, runs exec() and reads EntryCancelled() before the fields.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // The field of a record column, 0 ("Name") to 6 ("Note").
    QLineEdit* field(int column) const;
    // True unless the last showing ended with OK; any other way out counts as cancelled.
    bool EntryCancelled() const { return entryCancelled_; }

public slots:
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormActivate();

    std::unique_ptr<Ui::TForm2> ui_;
    std::array<QLineEdit*, book::ColumnCount> fields_{};
    bool entryCancelled_ = true;
};
