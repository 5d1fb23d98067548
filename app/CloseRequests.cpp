#include "CloseRequests.h"

#include "EndSignals.h"
#include "ui/ErrorBox.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QWidget>

CloseRequests::CloseRequests(QWidget& mainWindow, std::function<void()> saveAll)
    : mainWindow_(mainWindow), saveAll_(std::move(saveAll)) {
    connect(new EndSignals(this), &EndSignals::received, this, &CloseRequests::closeAndEnd);
#if QT_CONFIG(sessionmanager)
    // Direct: the session manager waits for the answer, and the data must be saved before it gets one.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &CloseRequests::commitData,
            Qt::DirectConnection);
#endif
}

void CloseRequests::closeAndEnd() {
    if (closing_) {
        return; // a second request while the first one still shows a message
    }
    closing_ = true;
    const bool closed = mainWindow_.close();
    closing_ = false;
    // Also ends an open modal dialog's loop; a close refused because the save failed keeps running.
    if (closed) {
        QCoreApplication::exit(0);
    }
}

void CloseRequests::commitData(QSessionManager& manager) {
#if QT_CONFIG(sessionmanager)
    QString failure;
    try {
        saveAll_();
        return;
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    } catch (...) {
        failure = QStringLiteral("Unbekannter Fehler beim Speichern von Adressen.txt");
    }
    // Ending the session now would lose the changes: the user hears why, and the log-off stops.
    if (manager.allowsErrorInteraction()) {
        ui::showErrorBox(&mainWindow_, failure);
        manager.release();
    }
    manager.cancel();
#else
    Q_UNUSED(manager);
#endif
}
