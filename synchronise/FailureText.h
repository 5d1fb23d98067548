#pragma once

#include <QString>

#include <exception>

namespace synchronise {

// What went wrong, for the user: a file's failure as the error box words it ("E/A-Fehler 28: ..."),
// anything else by its own message.
QString failureText(const std::exception_ptr& failure);

} // namespace synchronise
