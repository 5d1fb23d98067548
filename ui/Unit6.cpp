#include "Unit6.h"

#include "AccessibleText.h"
#include "DialogFrame.h"
#include "EnterKey.h"
#include "WebAddress.h"
#include "ui_Unit6.h"

#include <QKeyEvent>
#include <QShowEvent>

TForm6::TForm6(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm6>()) {
    ui_->setupUi(this);
    ui::useDialogFrame(*this, 10);
    ui::setFontPixels(*ui_->Label1, 12);
    ui::nameControls(*this);
    ui_->Memo1->setPlainText(ui_->Memo1->toPlainText().arg(QString::fromLatin1(ui::WebAddress)));
    QPalette memoColours = ui_->Memo1->palette();
    memoColours.setColor(QPalette::Base, memoColours.color(QPalette::Button));
    ui_->Memo1->setPalette(memoColours);
    ui::pressOnEnter(*ui_->Button1);
    ui::pressOnEnter(*ui_->Button2);
}

TForm6::~TForm6() = default;

void TForm6::Button1Click() {
    accept();
}

void TForm6::Button2Click() {
    emit internetRequested();
}

// There is no cancel button: Escape leaves the dialog open; OK and the close box close it.
void TForm6::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm6::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        ui_->Memo1->setFocus();
    }
}
