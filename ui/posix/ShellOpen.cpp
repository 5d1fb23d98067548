#include "ui/ShellOpen.h"

#include <QProcess>
#include <QStandardPaths>

namespace ui {

bool shellOpen(const QString& target) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        return false;
    }
    return QProcess::startDetached(opener, {target});
}

} // namespace ui
