#pragma once

#include "FailingBook.h"

#include <QStringList>
#include <QTest>

namespace testsupport {

// One Qt Test row for every kind of failure: its index in everyKindOfFailure() as "failure", and what
// the error box then says as "told".
inline void failureRows() {
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("told");
    const QStringList told = {"std::bad_alloc", "basic_string::_M_create", "E/A-Fehler 5",
                              "Unbekannter Fehler"};
    const auto failures = everyKindOfFailure();
    for (std::size_t index = 0; index < failures.size(); ++index) {
        QTest::newRow(failures[index].name) << static_cast<int>(index) << told[static_cast<qsizetype>(index)];
    }
}

inline std::function<void()> failure(int index) {
    return everyKindOfFailure()[static_cast<std::size_t>(index)].raise;
}

} // namespace testsupport
