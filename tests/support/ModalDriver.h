#pragma once

#include <QWidget>

#include <functional>

// Answers the next modal window (dialog or message box) that the code under test opens, the way a
// person would: the action runs once the window is active, from inside its event loop.
void whenModalOpens(std::function<void(QWidget*)> action, int timeoutMs = 5000);

// Presses the button with this text in the next modal message box or dialog.
void clickInNextModal(const QString& buttonText);
