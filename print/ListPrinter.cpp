#include "ListPrinter.h"

#include "ListLayout.h"
#include "book/CodePage.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <QTextEdit>

#include <cups/cups.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace print {

namespace {

const QString DocumentName = QStringLiteral("Address list");

// Holds the busy flag for one print and drops it on every way out.
class BusyScope {
public:
    explicit BusyScope(bool& busy) : busy_(busy) {
        if (busy_) {
            throw std::runtime_error("Das Drucken ist im Gang");
        }
        busy_ = true;
    }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
};

QString toText(const std::vector<std::string>& lines) {
    qsizetype length = 0;
    for (const std::string& line : lines) {
        length += static_cast<qsizetype>(line.size()) + 1;
    }
    QString text;
    text.reserve(length);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (index > 0) {
            text.append(QLatin1Char('\n'));
        }
        for (const char byte : lines[index]) {
            text.append(QChar(static_cast<char16_t>(book::toUnicode(static_cast<unsigned char>(byte)))));
        }
    }
    return text;
}

void showInEditor(QTextEdit& editor, const QString& text, int fontPoints) {
    QFont font = editor.font();
    font.setPointSize(fontPoints);
    editor.setFont(font);
    editor.setPlainText(text);
}

// Our own margins are none: the page is the printer's printable area.
void preparePrinter(QPrinter& printer) {
    printer.setDocName(DocumentName);
    printer.setFullPage(false);
    const QPageLayout layout = printer.pageLayout();
    printer.setPageMargins(layout.minimumMargins(), layout.units());
}

// A document with a page size is laid out in pages and printed without the page numbers Qt adds to
// documents that have none.
std::unique_ptr<QTextDocument> pagedCopy(const QTextDocument& source, QPrinter& printer) {
    std::unique_ptr<QTextDocument> document(source.clone());
    document->documentLayout()->setPaintDevice(&printer);
    document->setDocumentMargin(0);
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::NoWrap);
    document->setDefaultTextOption(option);
    document->setPageSize(QSizeF(printer.width(), printer.height()));
    return document;
}

void drawPage(QPainter& painter, QTextDocument& document, int index) {
    const QSizeF page = document.pageSize();
    const QRectF view(QPointF(0, index * page.height()), page);
    painter.setTransform(QTransform::fromTranslate(0, -view.top()));
    painter.setClipRect(view);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = view;
    // The screen's text colour may be light; paper wants black, as in Qt's own document printing.
    context.palette.setColor(QPalette::Text, Qt::black);
    document.documentLayout()->draw(&painter, context);
}

void throwIfFailed(const QPrinter& printer) {
    if (printer.printerState() == QPrinter::Error) {
        throw std::runtime_error("Fehler beim Drucken");
    }
}

// Qt hands the finished job to CUPS and drops the answer, so a queue that refuses the job would pass
// unnoticed; the answer is still CUPS's last status on this thread.
void throwIfQueueRefused(const QPrinter& printer) {
    if (printer.outputFormat() != QPrinter::NativeFormat || !printer.outputFileName().isEmpty()) {
        return;
    }
    if (cupsLastError() >= IPP_STATUS_REDIRECTION_OTHER_SITE) {
        const char* const message = cupsLastErrorString();
        throw std::runtime_error(message != nullptr && *message != '\0' ? message : "Fehler beim Drucken");
    }
}

void printDocument(const QTextDocument& source, QPrinter& printer) {
    preparePrinter(printer);
    const std::unique_ptr<QTextDocument> document = pagedCopy(source, printer);
    const int pageCount = document->pageCount();

    QPainter painter;
    if (!painter.begin(&printer)) {
        throw std::runtime_error("Der Druckauftrag konnte nicht begonnen werden");
    }
    for (int index = 0; index < pageCount; ++index) {
        if (index > 0 && !printer.newPage()) {
            throw std::runtime_error("Fehler beim Drucken");
        }
        drawPage(painter, *document, index);
    }
    painter.end();
    throwIfFailed(printer);
    throwIfQueueRefused(printer);
}

} // namespace

bool defaultPrinterKnown() {
    return !QPrinterInfo::defaultPrinter().isNull();
}

void ListPrinter::print(const book::AddressTable& table, QTextEdit& editor, QPrinter& printer,
                        int fontPoints) {
    const BusyScope scope(busy_);
    showInEditor(editor, toText(composeList(table)), fontPoints);
    printDocument(*editor.document(), printer);
}

} // namespace print
