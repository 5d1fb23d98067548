#pragma once

#include <QRegularExpression>
#include <QTest>

namespace testsupport {

// For the rest of the current test function, a warning of the toolkit is a failure: a connection the
// forms name by string and that does not exist (a renamed slot) is only a warning at run time. What
// the offscreen platform says of itself is no fault of ours.
inline void failOnWarnings() {
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^(?!This plugin does not support)")));
}

} // namespace testsupport
