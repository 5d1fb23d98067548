#pragma once

#include "book/AddressTable.h"

class QPrinter;
class QTextEdit;

// Printing the address list: the composed text goes into the main window's hidden editor and from there
// to the printer as one job.
//
// How the print command uses it:
//
//     if (!print::defaultPrinterKnown()) {
//         throw std::runtime_error("Zur Zeit ist kein Standard-Drucker gewählt");
//     }
//     QPrintDialog dialog(printer_.get(), this);   // the one QPrinter of the run keeps the choice
//     if (dialog.exec() != QDialog::Accepted) {
//         return;                                  // editor keeps its previous text
//     }
//     listPrinter_.print(model_.table(), *ui_->editor, *printer_, PrintFontSize);
//
// Errors come as std::runtime_error whose what() is the text for the error box.
namespace print {

// Whether the printing system names a default printer; without one nothing can be printed.
bool defaultPrinterKnown();

// One per window: it refuses a print that starts while its previous one is still running, since the
// second would replace the text the first is printing from.
class ListPrinter {
public:
    // Replaces the editor's text by the composed list (composeList) and sets its font to fontPoints
    // points, keeping family, style and colour. Then prints that text on the printer as it was set up
    // by the print dialog (printer, its settings, copies), as one job named "Address list": over the
    // printable area of each page from its top-left corner, no margins, page numbers or headers of our
    // own, lines not wrapped, as many pages as the text needs. The editor keeps the text afterwards.
    // Throws std::runtime_error with the printing system's message when the job cannot be printed,
    // and "Das Drucken ist im Gang" while an earlier print of this object is still running.
    void print(const book::AddressTable& table, QTextEdit& editor, QPrinter& printer, int fontPoints);

    bool busy() const { return busy_; }

private:
    bool busy_ = false;
};

} // namespace print
