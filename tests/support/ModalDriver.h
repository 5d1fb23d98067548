#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <source_location>

inline constexpr int ModalTimeoutMs = 5000;

// Answers the next modal window (dialog or message box) that the code under test opens, the way a
// person would: the action runs once the window is shown, from inside its event loop.
//
// A watchdog keeps a failing test from hanging, and fails it where the answer was asked for:
// - a check that fails inside the action closes the window as soon as the action returns;
// - a window that the action leaves open is closed after timeoutMs;
// - a modal window that no answer waits for (one opened inside an action, say) is closed after
//   ModalTimeoutMs;
// - an answer whose window has not opened within timeoutMs, or by the end of the test's windows
//   (expectAllModalsAnswered), fails the test and is dropped, so that it never answers a later test.
void whenModalOpens(std::function<void(QWidget*)> action, int timeoutMs = ModalTimeoutMs,
                    std::source_location where = std::source_location::current());

// Presses the button with this text in the next modal message box or dialog; no such button, or no
// such window, fails the test.
void clickInNextModal(const QString& buttonText,
                      std::source_location where = std::source_location::current());

// Presses Enter in the next modal window, and puts its text in `text` when it is a message box.
void answerNextMessageBox(QString& text, std::source_location where = std::source_location::current());

// Fails the test for every answer still waiting for its window, and drops them. MainWindowRun calls it
// when a test's windows go.
void expectAllModalsAnswered();
