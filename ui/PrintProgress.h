#pragma once

#include <QObject>
#include <QPointer>

class QProgressDialog;
class QWidget;

namespace print {
class ListPrinter;
}

namespace ui {

// The standard progress dialog for a print that takes longer than about a second: page n of m, and
// "Abbrechen", which ends the print. The window stays usable meanwhile.
class PrintProgress : public QObject {
public:
    PrintProgress(print::ListPrinter& printer, QWidget& window);

private:
    void show(int pagesDone, int pageCount);
    void close();

    print::ListPrinter& printer_;
    QWidget& window_;
    QPointer<QProgressDialog> dialog_; // owned by the window
};

} // namespace ui
