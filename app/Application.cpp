#include "Application.h"

#include "ui/ErrorBox.h"

#include <QIcon>

#include <exception>

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // The name, not the display name: X11 would append a display name to every window's caption.
    setApplicationName(applicationTitle(applicationFilePath().section(u'/', -1)));
    QIcon icon(QStringLiteral(":/icons/numberwell-256.png"));
    icon.addFile(QStringLiteral(":/icons/numberwell-48.png"));
    setWindowIcon(icon);
}

// The last resort: every handler of ours catches at its edge, but the toolkit's own code may raise too.
bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ui::showErrorBox(activeWindow(), QString::fromUtf8(error.what()));
    } catch (...) {
        ui::showErrorBox(activeWindow(), QStringLiteral("Unbekannter Fehler"));
    }
    return true;
}

QString applicationTitle(const QString& executableFileName) {
    const QString name = executableFileName.section(u'.', 0, 0);
    return name.left(1) + name.mid(1).toLower();
}
