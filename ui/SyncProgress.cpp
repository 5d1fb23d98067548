#include "SyncProgress.h"

#include "OuterGeometry.h"
#include "synchronise/SyncJob.h"

#include <QProgressDialog>

namespace ui {

namespace {

constexpr int ShowAfterMs = 500;

} // namespace

SyncProgress::SyncProgress(synchronise::SyncJob& job, QWidget& window) : job_(job), window_(window) {
    connect(&job, &synchronise::SyncJob::progressed, this, &SyncProgress::show);
    connect(&job, &synchronise::SyncJob::ended, this, &SyncProgress::close);
}

void SyncProgress::begin(const QString& server) {
    close();
    server_ = server;
    dialog_ = new QProgressDialog(&window_);
    dialog_->setWindowModality(Qt::NonModal);
    dialog_->setAttribute(Qt::WA_ShowWithoutActivating); // the keyboard stays with the window
    dialog_->setWindowTitle(QStringLiteral("Synchronise"));
    dialog_->setCancelButtonText(QStringLiteral("Abbrechen"));
    dialog_->setAutoReset(false); // the sync ends it, not its last step
    dialog_->setAutoClose(false);
    dialog_->setMinimumDuration(ShowAfterMs);
    centreOnScreenAtEveryShowing(*dialog_);
    connect(dialog_, &QProgressDialog::canceled, &job_, &synchronise::SyncJob::cancel);
    show(0, 0);
}

// Nothing known yet shows a busy bar.
void SyncProgress::show(int done, int known) {
    if (!dialog_) {
        return;
    }
    dialog_->setLabelText(known == 0 ? QStringLiteral("Synchronising with %1").arg(server_)
                                     : QStringLiteral("Synchronising with %1: step %2 of %3")
                                           .arg(server_)
                                           .arg(std::min(done + 1, known))
                                           .arg(known));
    dialog_->setRange(0, known);
    dialog_->setValue(std::min(done, known));
}

// Later: the sync may end from inside the dialog's own Cancel.
void SyncProgress::close() {
    if (dialog_) {
        dialog_->disconnect(&job_);
        dialog_->hide();
        dialog_->deleteLater();
        dialog_ = nullptr;
    }
}

} // namespace ui
