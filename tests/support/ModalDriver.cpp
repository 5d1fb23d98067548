#include "ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <vector>

namespace {

// The test function and data row running now: an answer asked for in one never serves another.
QByteArray currentTest() {
    return QByteArray(QTest::currentTestFunction()) + '/' + QByteArray(QTest::currentDataTag());
}

// Only the first failure of a test is told; later ones are its consequences.
void fail(const QString& message, const std::source_location& where) {
    if (!QTest::currentTestFailed()) {
        QTest::qFail(qPrintable(message), where.file_name(), static_cast<int>(where.line()));
    }
}

struct Answer {
    std::function<void(QWidget*)> action;
    int timeoutMs;
    std::source_location where;
    QByteArray test;
    QDeadlineTimer deadline;
};

// A modal window seen open, until it closes.
struct Watched {
    enum class State { Unanswered, Answering, Answered };
    QPointer<QWidget> window;
    State state = State::Unanswered;
    QDeadlineTimer deadline;
    std::source_location where;
    QElapsedTimer shown;
};

constexpr int ActivationWaitMs = 500;

class ModalWatchdog : public QObject {
public:
    static ModalWatchdog& instance() {
        static QPointer<ModalWatchdog> watchdog;
        if (watchdog.isNull()) {
            watchdog = new ModalWatchdog(qApp); // goes with the application
        }
        return *watchdog;
    }

    void expect(Answer answer) { answers_.push_back(std::move(answer)); }

    void expectAllAnswered() {
        for (const Answer& answer : answers_) {
            fail(QStringLiteral("no modal window appeared"), answer.where);
        }
        answers_.clear();
    }

private:
    explicit ModalWatchdog(QObject* parent) : QObject(parent) {
        connect(&poll_, &QTimer::timeout, this, &ModalWatchdog::poll);
        poll_.start(10);
    }

    void poll() {
        std::erase_if(watched_, [](const Watched& watched) { return !isOpen(watched.window); });
        dropAnswersOfOtherTests();

        QWidget* const modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible()) {
            Watched& watched = watch(*modal);
            if (watched.state == Watched::State::Unanswered && !answers_.empty() && readyForKeys(watched)) {
                answer(watched);
            }
        }
        closeOverdueWindows();
        // While an action runs, the next answer may be meant for a window that the action opens.
        if (std::ranges::none_of(watched_,
                                 [](const Watched& w) { return w.state == Watched::State::Answering; })) {
            std::erase_if(answers_, [](const Answer& answer) {
                if (!answer.deadline.hasExpired()) {
                    return false;
                }
                fail(QStringLiteral("no modal window appeared"), answer.where);
                return true;
            });
        }
    }

    static bool isOpen(const QPointer<QWidget>& window) { return !window.isNull() && window->isVisible(); }

    // A person answers a window once it has the keyboard; keys sent before would land in the window
    // behind it. A platform that never activates it gets the answer after a moment all the same.
    static bool readyForKeys(const Watched& watched) {
        return watched.window->isActiveWindow() || watched.shown.hasExpired(ActivationWaitMs);
    }

    void dropAnswersOfOtherTests() {
        const QByteArray test = currentTest();
        std::erase_if(answers_, [&test](const Answer& answer) {
            if (answer.test == test) {
                return false;
            }
            fail(QStringLiteral("the modal window asked for in %1 never appeared")
                     .arg(QString::fromLatin1(answer.test)),
                 answer.where);
            return true;
        });
    }

    Watched& watch(QWidget& window) {
        const auto found = find(&window);
        if (found != watched_.end()) {
            return *found;
        }
        Watched& added = watched_.emplace_back();
        added.window = &window;
        added.deadline = QDeadlineTimer(ModalTimeoutMs);
        added.shown.start();
        added.where = std::source_location::current(); // no test asked for it
        return added;
    }

    std::vector<Watched>::iterator find(const QWidget* window) {
        return std::ranges::find_if(watched_,
                                    [window](const Watched& w) { return w.window.data() == window; });
    }

    void answer(Watched& watched) {
        Answer answer = std::move(answers_.front());
        answers_.pop_front();
        watched.state = Watched::State::Answering;
        watched.where = answer.where;
        // From a timer of its own, so that polling goes on while the action runs nested loops.
        QTimer::singleShot(0, watched.window.data(),
                           [this, window = watched.window, answer = std::move(answer)] {
                               answer.action(window.data());
                               const auto found = find(window.data());
                               if (found == watched_.end()) {
                                   return;
                               }
                               if (!isOpen(window) || QTest::currentTestFailed()) {
                                   watched_.erase(found);
                                   if (!window.isNull()) {
                                       window->hide(); // a check failed: nothing else would close the window
                                   }
                                   return;
                               }
                               found->state = Watched::State::Answered;
                               found->deadline = QDeadlineTimer(answer.timeoutMs);
                           });
    }

    void closeOverdueWindows() {
        std::vector<QPointer<QWidget>> overdue;
        std::erase_if(watched_, [&overdue](const Watched& watched) {
            if (watched.state == Watched::State::Answering || !watched.deadline.hasExpired()) {
                return false;
            }
            const QString title = watched.window->windowTitle();
            fail(watched.state == Watched::State::Unanswered
                     ? QStringLiteral("no answer was waiting for the modal window '%1'").arg(title)
                     : QStringLiteral("the modal window '%1' was left open").arg(title),
                 watched.where);
            overdue.push_back(watched.window);
            return true;
        });
        // Hidden only now: hiding ends the window's loop, and the code under test goes on from there.
        for (const QPointer<QWidget>& window : overdue) {
            if (!window.isNull()) {
                window->hide();
            }
        }
    }

    QTimer poll_;
    std::deque<Answer> answers_;
    std::vector<Watched> watched_;
};

} // namespace

void whenModalOpens(std::function<void(QWidget*)> action, int timeoutMs, std::source_location where) {
    ModalWatchdog::instance().expect(
        {std::move(action), timeoutMs, where, currentTest(), QDeadlineTimer(timeoutMs)});
}

void clickInNextModal(const QString& buttonText, std::source_location where) {
    whenModalOpens(
        [buttonText, where](QWidget* modal) {
            const QList<QAbstractButton*> buttons = modal->findChildren<QAbstractButton*>();
            const auto button = std::ranges::find_if(
                buttons, [&buttonText](const QAbstractButton* b) { return b->text() == buttonText; });
            if (button == buttons.end()) {
                fail(QStringLiteral("no button '%1' in '%2'").arg(buttonText, modal->windowTitle()), where);
                return;
            }
            QTest::mouseClick(*button, Qt::LeftButton);
        },
        ModalTimeoutMs, where);
}

void answerNextMessageBox(QString& text, std::source_location where) {
    whenModalOpens(
        [&text](QWidget* modal) {
            if (const auto* const box = qobject_cast<QMessageBox*>(modal)) {
                text = box->text();
            }
            QTest::keyClick(modal, Qt::Key_Return);
        },
        ModalTimeoutMs, where);
}

void expectAllModalsAnswered() {
    ModalWatchdog::instance().expectAllAnswered();
}
