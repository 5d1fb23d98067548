#pragma once

#include "print/ListPrinter.h"

#include <QSignalSpy>
#include <QString>

// Starts a print and lets the event loop run until it has ended; the message it failed with, if any.
inline QString printAndWait(print::ListPrinter& printer, const book::AddressTable& table, QTextEdit& editor,
                            QPrinter& device, int fontPoints) {
    QSignalSpy failed(&printer, &print::ListPrinter::failed);
    QSignalSpy ended(&printer, &print::ListPrinter::ended);
    printer.start(table, editor, device, fontPoints);
    if (!ended.wait(60'000)) {
        return QStringLiteral("the print did not end");
    }
    return failed.isEmpty() ? QString() : failed.first().first().toString();
}
