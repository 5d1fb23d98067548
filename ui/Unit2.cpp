#include "Unit2.h"

#include "AccessibleText.h"
#include "DialogFrame.h"
#include "EnterKey.h"
#include "FieldGuard.h"
#include "ui_Unit2.h"

#include <QShowEvent>

#include <limits>

TForm2::TForm2(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm2>()) {
    ui_->setupUi(this);
    ui::useDialogFrame(*this, 10);
    ui::nameControls(*this);
    fields_ = {ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->Edit4, ui_->Edit5, ui_->Edit6, ui_->Edit7};
    // Edit1KeyPress to Edit7KeyPress: Enter walks on to the next field and from the last one to OK, so
    // it never confirms the dialog from inside a field.
    for (std::size_t column = 0; column < fields_.size(); ++column) {
        QWidget* const next =
            column + 1 < fields_.size() ? static_cast<QWidget*>(fields_[column + 1]) : ui_->Button1;
        ui::onEnter(*fields_[column], [next] { next->setFocus(Qt::TabFocusReason); });
        new ui::FieldGuard(*fields_[column]); // owned by the field
        // A line edit cuts at 32767 characters by default: a Change confirmed unedited would shorten a
        // longer field for good.
        fields_[column]->setMaxLength(std::numeric_limits<int>::max());
    }
    ui::pressOnEnter(*ui_->Button1);
    ui::pressOnEnter(*ui_->Button2);
}

TForm2::~TForm2() = default;

QLineEdit* TForm2::field(int column) const {
    return fields_.at(static_cast<std::size_t>(column));
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormActivate();
    }
}

// Every showing starts in the Name field and counts as cancelled until OK is pressed, so that Escape
// and the close box need no handler of their own.
void TForm2::FormActivate() {
    entryCancelled_ = true;
    ui_->Edit1->setFocus();
}

void TForm2::Button1Click() {
    accept();
    entryCancelled_ = false;
}

void TForm2::Button2Click() {
    reject();
    entryCancelled_ = true;
}
