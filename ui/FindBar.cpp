#include "FindBar.h"

#include "AccessibleText.h"
#include "ui_FindBar.h"

#include <QAccessible>
#include <QKeyEvent>

FindBar::FindBar(QWidget* parent) : QFrame(parent), ui_(std::make_unique<Ui::FindBar>()) {
    ui_->setupUi(this);
    ui::nameControls(*this);
    // A new text starts a new find: the last outcome no longer applies.
    connect(ui_->findText, &QLineEdit::textEdited, this, [this] { tell({}); });
}

FindBar::~FindBar() = default;

QString FindBar::text() const {
    return ui_->findText->text();
}

void FindBar::open() {
    show();
    ui_->findText->setFocus(Qt::ShortcutFocusReason);
    ui_->findText->selectAll();
}

void FindBar::tell(const QString& outcome) {
    ui_->findStatus->setText(outcome);
    QAccessibleEvent changed(ui_->findStatus, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

void FindBar::closeEvent(QCloseEvent* event) {
    QFrame::closeEvent(event);
    tell({});
    emit closed();
}
