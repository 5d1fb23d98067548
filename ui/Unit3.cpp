#include "Unit3.h"

#include "AccessibleText.h"
#include "DialogFrame.h"
#include "EnterKey.h"
#include "ui_Unit3.h"

#include <QShowEvent>

TForm3::TForm3(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm3>()) {
    ui_->setupUi(this);
    ui::useDialogFrame(*this, 10);
    ui::nameControls(*this);
    ui::pressOnEnter(*ui_->Button1);
    ui::pressOnEnter(*ui_->Button2);
}

TForm3::~TForm3() = default;

void TForm3::setValue(int points) {
    ui_->SpinEdit1->setValue(points);
}

int TForm3::value() const {
    return ui_->SpinEdit1->value();
}

// No size below 1 is ever shown or returned, whatever a command starts the dialog with.
void TForm3::SpinEdit1Change() {
    if (ui_->SpinEdit1->value() < 1) {
        ui_->SpinEdit1->setValue(1);
    }
}

// Cancelled until OK is pressed in this very showing: a log-off that ends the dialog's loop presses
// nothing, and must not apply the value.
void TForm3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        fontSizeCancelled_ = true;
    }
}

void TForm3::Button1Click() {
    fontSizeCancelled_ = false;
    accept();
}

void TForm3::Button2Click() {
    reject();
}

// Cancel, Escape and the close box all end here, so a command never acts on the outcome of an earlier
// use of the dialog.
void TForm3::reject() {
    fontSizeCancelled_ = true;
    QDialog::reject();
}
