#include "AccessibleText.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QString>

namespace ui {

namespace {

QString derivedName(const QWidget& control, const QList<QLabel*>& labels) {
    if (const auto* const button = qobject_cast<const QAbstractButton*>(&control)) {
        return spokenCaption(button->text());
    }
    for (const QLabel* const label : labels) {
        if (label->buddy() == &control) {
            return spokenCaption(label->text());
        }
    }
    return {};
}

} // namespace

QString spokenCaption(const QString& caption) {
    QString spoken;
    spoken.reserve(caption.size());
    for (qsizetype at = 0; at < caption.size(); ++at) {
        if (caption.at(at) == u'&' && ++at == caption.size()) {
            break;
        }
        spoken += caption.at(at);
    }
    return spoken.trimmed();
}

void nameControls(QWidget& window) {
    const QList<QLabel*> labels = window.findChildren<QLabel*>();
    for (QWidget* const control : window.findChildren<QWidget*>()) {
        if (control->window() != &window) {
            continue;
        }
        if (control->accessibleName().isEmpty()) {
            if (const QString name = derivedName(*control, labels); !name.isEmpty()) {
                control->setAccessibleName(name);
            }
        }
        if (control->accessibleDescription().isEmpty() && !control->toolTip().isEmpty()) {
            control->setAccessibleDescription(control->toolTip());
        }
    }
    for (QMenu* const menu : window.findChildren<QMenu*>()) {
        if (menu->accessibleName().isEmpty() && !menu->title().isEmpty()) {
            menu->setAccessibleName(spokenCaption(menu->title()));
        }
    }
}

} // namespace ui
