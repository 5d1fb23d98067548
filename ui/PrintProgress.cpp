#include "PrintProgress.h"

#include "OuterGeometry.h"
#include "print/ListPrinter.h"

#include <QProgressDialog>

namespace ui {

namespace {

constexpr int ShowAfterMs = 1000;

} // namespace

PrintProgress::PrintProgress(print::ListPrinter& printer, QWidget& window)
    : printer_(printer), window_(window) {
    connect(&printer, &print::ListPrinter::progressed, this, &PrintProgress::show);
    connect(&printer, &print::ListPrinter::ended, this, &PrintProgress::close);
}

void PrintProgress::show(int pagesDone, int pageCount) {
    if (!dialog_) {
        dialog_ = new QProgressDialog(&window_);
        dialog_->setWindowModality(Qt::NonModal);
        dialog_->setAttribute(Qt::WA_ShowWithoutActivating); // the keyboard stays with the window
        dialog_->setWindowTitle(QStringLiteral("Address list"));
        dialog_->setCancelButtonText(QStringLiteral("Abbrechen"));
        dialog_->setMinimumDuration(ShowAfterMs);
        dialog_->setAutoReset(false); // the print ends it, not its last page
        dialog_->setAutoClose(false);
        dialog_->setRange(0, pageCount);
        centreOnScreenAtEveryShowing(*dialog_);
        connect(dialog_, &QProgressDialog::canceled, &printer_, &print::ListPrinter::cancel);
    }
    dialog_->setLabelText(
        QStringLiteral("Printing page %1 of %2").arg(std::min(pagesDone + 1, pageCount)).arg(pageCount));
    dialog_->setValue(pagesDone);
}

// Later: the print may end from inside the dialog's own Cancel.
void PrintProgress::close() {
    if (dialog_) {
        dialog_->hide();
        dialog_->deleteLater();
        dialog_ = nullptr;
    }
}

} // namespace ui
