#pragma once

#include "book/AddressTable.h"

#include <QObject>
#include <QTimer>

#include <memory>

class QPrinter;
class QTextEdit;

// Printing the address list while the window goes on working: the pages are composed, drawn and handed
// to the printing system a few at a time from the event loop. Errors come as std::runtime_error, or as
// failed(), whose text is for the error box.
namespace print {

// Whether the printing system names a default printer; without one nothing can be printed.
bool defaultPrinterKnown();

class ListPrinter : public QObject {
    Q_OBJECT
public:
    explicit ListPrinter(QObject* parent = nullptr);
    ~ListPrinter() override; // a print still running is cancelled

    // Prints the table, a copy of its own: what is printed is the list as it was at the start. The
    // editor's font gets fontPoints points, keeping family, style and colour, and its text becomes the
    // composed list page by page, which it keeps afterwards. One job named "Address list" on the printer
    // as the print dialog set it up (printer, its settings, copies): over the printable area of each page
    // from its top-left corner, no margins, page numbers or headers of our own, lines not wrapped, as
    // many pages as the text needs. Throws "Das Drucken ist im Gang" while a print is running, and the
    // printing system's message when the job cannot begin.
    void start(book::AddressTable table, QTextEdit& editor, QPrinter& printer, int fontPoints);

    bool busy() const { return job_ != nullptr; }
    // Throws "Das Drucken ist im Gang" while a print is running: the command asks before its dialog.
    void refuseWhileBusy() const;

    // Ends a running print at once: nothing of it reaches the queue, or its job there is cancelled.
    void cancel();

signals:
    void progressed(int pagesDone, int pageCount); // 0 of n when a print starts
    void failed(const QString& message);           // the print has ended with this error
    void ended();                                  // printed, cancelled or failed

private:
    void advance();

    class Job;
    std::unique_ptr<Job> job_;
    QTimer nextSlice_;
};

} // namespace print
