#include "EnterKey.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace ui {

namespace {

class EnterFilter : public QObject {
public:
    EnterFilter(QWidget& widget, std::function<void()> action)
        : QObject(&widget), action_(std::move(action)) {
        widget.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        const int key = static_cast<const QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) {
            return false;
        }
        action_();
        return true;
    }

private:
    std::function<void()> action_;
};

} // namespace

void onEnter(QWidget& widget, std::function<void()> action) {
    new EnterFilter(widget, std::move(action)); // owned by the widget
}

void pressOnEnter(QAbstractButton& button) {
    onEnter(button, [&button] { button.click(); });
}

} // namespace ui
