#include "ListPrinter.h"

#include "ListLayout.h"
#include "QueueUpload.h"
#include "ui/CellText.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFontInfo>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <QTextCursor>
#include <QTextEdit>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

namespace print {

namespace {

const QString DocumentName = QStringLiteral("Address list");

// Work done between two turns of the event loop; a page takes a few milliseconds.
constexpr qint64 SliceMs = 8;
constexpr int RowsMeasuredAtOnce = 20'000; // about a millisecond

// Our own margins are none: the page is the printer's printable area.
void preparePrinter(QPrinter& printer) {
    printer.setDocName(DocumentName);
    printer.setFullPage(false);
    const QPageLayout layout = printer.pageLayout();
    printer.setPageMargins(layout.minimumMargins(), layout.units());
}

bool printsToQueue(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::NativeFormat && printer.outputFileName().isEmpty();
}

// For one print the queue's printer writes into a temporary file, which goes to the queue only once it
// is complete: a cancelled print leaves nothing there.
class Spool {
public:
    explicit Spool(QPrinter& printer) : printer_(printer) {
        if (!file_.open()) {
            throw std::runtime_error(file_.errorString().toStdString());
        }
        file_.close();
        printer_.setOutputFileName(file_.fileName());
    }
    ~Spool() { printer_.setOutputFileName(QString()); }
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    QString fileName() const { return file_.fileName(); }

private:
    QPrinter& printer_;
    QTemporaryFile file_;
};

} // namespace

class ListPrinter::Job {
public:
    Job(book::AddressTable table, QTextEdit& editor, QPrinter& printer, int fontPoints)
        : table_(std::move(table)), editor_(editor), printer_(printer) {
        preparePrinter(printer);
        if (printsToQueue(printer)) {
            spool_ = std::make_unique<Spool>(printer);
        }
        QFont font = editor.font();
        font.setPointSize(fontPoints);
        editor.setFont(font);
        editor.setUndoRedoEnabled(false);
        editor.clear();
        if (!painter_.begin(&printer)) {
            throw std::runtime_error("Der Druckauftrag konnte nicht begonnen werden");
        }
        painter_.setFont(font);
        painter_.setPen(Qt::black); // the screen's text colour may be light
        const QFontMetricsF metrics(font, &printer);
        lineHeight_ = metrics.lineSpacing();
        ascent_ = metrics.ascent();
        linesPerPage_ = std::max(1, static_cast<int>(std::floor(printer.height() / lineHeight_)));
        pageCount_ = (lineCount() + linesPerPage_ - 1) / linesPerPage_;
        // Lines are not wrapped, so what lies beyond the page's edge is not drawn at all.
        if (QFontInfo(font).fixedPitch()) {
            visibleCharacters_ =
                static_cast<qsizetype>(std::ceil(printer.width() / metrics.horizontalAdvance(u' '))) + 1;
        }
    }

    ~Job() {
        if (complete_ || !painter_.isActive()) {
            return; // complete, or only its upload was cut short, which the upload cancels
        }
        painter_.end();
        if (!spool_) {
            QFile::remove(printer_.outputFileName()); // a file holds all of the list or nothing
        }
    }

    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    int pagesDone() const { return page_; }
    int pageCount() const { return pageCount_; }

    // The next piece of work: measuring some rows, a page, the end of the document, or a piece of it for
    // the queue. True once the print is complete.
    bool step() {
        if (!layout_) {
            measureRows();
        } else if (page_ < pageCount_) {
            printPage();
        } else if (painter_.isActive()) {
            painter_.end();
            if (printer_.printerState() == QPrinter::Error) {
                throw std::runtime_error("Fehler beim Drucken");
            }
            if (spool_) {
                upload_ = std::make_unique<QueueUpload>(printer_, spool_->fileName(), DocumentName);
            } else {
                complete_ = true;
            }
        } else {
            complete_ = upload_->sendPiece();
        }
        return complete_;
    }

private:
    int lineCount() const { return table_.recordCount() + 2; }

    void measureRows() {
        const int end = std::min(measured_ + RowsMeasuredAtOnce, table_.recordCount());
        widenColumns(widths_, table_, measured_, end);
        measured_ = end;
        if (measured_ == table_.recordCount()) {
            layout_.emplace(table_, widths_);
        }
    }

    void printPage() {
        if (page_ > 0 && !printer_.newPage()) {
            throw std::runtime_error("Fehler beim Drucken");
        }
        const int first = page_ * linesPerPage_;
        const int end = std::min(first + linesPerPage_, lineCount());
        QString composed;
        for (int index = first; index < end; ++index) {
            const QString text = ui::toDisplay(layout_->line(index));
            painter_.drawText(QPointF(0, (index - first) * lineHeight_ + ascent_),
                              text.left(visibleCharacters_));
            if (index > 0) {
                composed += u'\n';
            }
            composed += text;
        }
        QTextCursor cursor(editor_.document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(composed);
        ++page_;
    }

    const book::AddressTable table_;
    ColumnWidths widths_ = headingWidths();
    int measured_ = 0;
    std::optional<ListLayout> layout_;
    QTextEdit& editor_;
    QPrinter& printer_;
    std::unique_ptr<Spool> spool_;
    QPainter painter_;
    qreal lineHeight_ = 1;
    qreal ascent_ = 0;
    int linesPerPage_ = 1;
    int pageCount_ = 0;
    qsizetype visibleCharacters_ = std::numeric_limits<qsizetype>::max();
    int page_ = 0;
    std::unique_ptr<QueueUpload> upload_;
    bool complete_ = false;
};

bool defaultPrinterKnown() {
    return !QPrinterInfo::defaultPrinter().isNull();
}

ListPrinter::ListPrinter(QObject* parent) : QObject(parent) {
    nextSlice_.setSingleShot(true);
    nextSlice_.setInterval(0);
    connect(&nextSlice_, &QTimer::timeout, this, &ListPrinter::advance);
}

ListPrinter::~ListPrinter() = default;

void ListPrinter::refuseWhileBusy() const {
    if (job_) {
        throw std::runtime_error("Das Drucken ist im Gang");
    }
}

void ListPrinter::start(book::AddressTable table, QTextEdit& editor, QPrinter& printer, int fontPoints) {
    refuseWhileBusy();
    job_ = std::make_unique<Job>(std::move(table), editor, printer, fontPoints);
    nextSlice_.start();
    emit progressed(0, job_->pageCount());
}

void ListPrinter::cancel() {
    if (job_) {
        nextSlice_.stop();
        job_.reset();
        emit ended();
    }
}

void ListPrinter::advance() {
    if (!job_) {
        return;
    }
    QElapsedTimer slice;
    slice.start();
    try {
        bool complete = false;
        do {
            complete = job_->step();
        } while (!complete && slice.elapsed() < SliceMs);
        if (!complete) {
            nextSlice_.start();
            emit progressed(job_->pagesDone(), job_->pageCount());
            return;
        }
        job_.reset();
        emit ended();
    } catch (const std::exception& error) {
        job_.reset();
        emit ended();
        emit failed(QString::fromUtf8(error.what()));
    }
}

} // namespace print
