#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

namespace synchronise {
class SyncJob;
}

namespace ui {

// The standard progress dialog for a sync that takes longer than half a second: the requests answered of
// those known, and "Abbrechen", which stops the sync. It leaves the keyboard with the window, which stays
// usable meanwhile.
class SyncProgress : public QObject {
public:
    SyncProgress(synchronise::SyncJob& job, QWidget& window);

    // A sync with this server begins.
    void begin(const QString& server);

private:
    void show(int done, int known);
    void close();

    synchronise::SyncJob& job_;
    QWidget& window_;
    QString server_;
    QPointer<QProgressDialog> dialog_; // owned by the window
};

} // namespace ui
