#include "OuterGeometry.h"

#include "WindowFrame.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <functional>

namespace ui {
namespace {

QMargins frameOf(const QWidget& window) {
    return windowFrame(window);
}

// Puts the window where outerFor says for the frame it has, whenever that frame turns out different
// from the one it was last put for. Once: from now until stopped. At every showing: from each
// showing of the window until stopped, for as long as the window lives.
class FrameKeeper : public QObject {
public:
    using OuterFor = std::function<QRect(const QMargins& frame)>;
    enum class Span { Once, EveryShowing };

    FrameKeeper(QWidget& window, OuterFor outerFor, Span span)
        : QObject(&window), window_(window), outerFor_(std::move(outerFor)), span_(span) {
        if (span_ == Span::Once) {
            start();
        }
        window.installEventFilter(this);
        watchHandle();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &window_) {
            if (event->type() == QEvent::Expose) {
                follow();
            }
            return false;
        }
        switch (event->type()) {
        case QEvent::Show:
            watchHandle();
            if (span_ == Span::EveryShowing && !event->spontaneous()) {
                start();
            }
            follow();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            follow();
            break;
        case QEvent::WindowStateChange:
        case QEvent::Hide:
            stop();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void watchHandle() {
        if (QWindow* const handle = window_.windowHandle(); handle != nullptr && handle != handle_) {
            handle->installEventFilter(this);
            handle_ = handle;
        }
    }

    void start() {
        active_ = true;
        framed_ = false;
        apply(expectedFrame(window_));
    }

    void follow() {
        if (!active_ || applying_ || !window_.isVisible()) {
            return;
        }
        if ((window_.windowState() & ~Qt::WindowActive) != Qt::WindowNoState) {
            stop();
            return;
        }
        const QMargins frame = frameOf(window_);
        if (frame.isNull() && framed_) {
            return; // not framed yet: the window manager's answer, and its moves meanwhile, are still to come
        }
        if (frame != applied_) {
            apply(frame);
        } else if (framed_ && window_.geometry() != placed_) {
            // A dialog that grew in place was laid out late (a message box under load): centre it again.
            // Moved, or a main window resized: the user's or the window manager's from now on.
            if (span_ == Span::EveryShowing && window_.geometry().topLeft() == placed_.topLeft()) {
                apply(frame);
            } else {
                stop();
            }
        }
    }

    void apply(const QMargins& frame) {
        const QRect outer = outerFor_(frame);
        const QRect client = outer.marginsRemoved(frame);
        applied_ = frame;
        framed_ = framed_ || !frame.isNull();
        applying_ = true; // our own moves come back as events
        if (window_.testAttribute(Qt::WA_WState_Created)) {
            window_.setGeometry(client);
        } else {
            // Not created yet: the toolkit places such a window by its frame's corner itself.
            window_.move(outer.topLeft());
            window_.resize(client.size());
        }
        applying_ = false;
        placed_ = window_.geometry();
    }

    void stop() {
        if (active_ && span_ == Span::Once) {
            deleteLater();
        }
        active_ = false;
    }

    QWidget& window_;
    OuterFor outerFor_;
    const Span span_;
    QWindow* handle_ = nullptr;
    QMargins applied_;
    QRect placed_;
    bool framed_ = false;
    bool applying_ = false;
    bool active_ = false;
};

// A fixed size is the one the window gets, even while the toolkit still reports an older one (a message
// box fixes its size when it is shown, and the window manager's answer to the first size comes after).
QSize settledSize(const QWidget& window) {
    return window.minimumSize() == window.maximumSize() ? window.minimumSize() : window.size();
}

FrameKeeper::OuterFor centredOuter(const QWidget& window) {
    return [&window](const QMargins& frame) {
        return centredIn(QGuiApplication::primaryScreen()->availableGeometry(),
                         settledSize(window).grownBy(frame));
    };
}

} // namespace

QRect centredIn(const QRect& area, const QSize& size) {
    return {area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2,
            size.width(), size.height()};
}

QMargins expectedFrame(const QWidget& window) {
    if (const QMargins own = frameOf(window); !own.isNull()) {
        return own;
    }
    for (const QWidget* const other : QApplication::topLevelWidgets()) {
        if (other != &window && other->isVisible()) {
            if (const QMargins frame = frameOf(*other); !frame.isNull()) {
                return frame;
            }
        }
    }
    return {};
}

void placeOuter(QWidget& window, const QRect& outer) {
    new FrameKeeper(
        window, [outer](const QMargins&) { return outer; }, FrameKeeper::Span::Once);
}

void centreOnScreen(QWidget& window) {
    new FrameKeeper(window, centredOuter(window), FrameKeeper::Span::Once);
}

void centreOnScreenAtEveryShowing(QWidget& window) {
    new FrameKeeper(window, centredOuter(window), FrameKeeper::Span::EveryShowing);
}

} // namespace ui
