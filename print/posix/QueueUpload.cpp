#include "print/QueueUpload.h"

#include <QFile>
#include <QPrintEngine>
#include <QPrinter>

#include <cups/cups.h>

#include <array>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace print {
namespace {

// Where the print dialog keeps the printer's own settings (its "Properties"), as name and value pairs.
constexpr auto CupsOptionsKey = static_cast<QPrintEngine::PrintEnginePropertyKey>(0xfe00);

std::runtime_error cupsError() {
    const char* const message = cupsLastErrorString();
    return std::runtime_error(message != nullptr && *message != '\0' ? message : "Fehler beim Drucken");
}

const char* sides(const QPrinter& printer) {
    switch (printer.duplex()) {
    case QPrinter::DuplexNone:
        return "one-sided";
    case QPrinter::DuplexAuto:
        return printer.pageLayout().orientation() == QPageLayout::Portrait ? "two-sided-long-edge"
                                                                           : "two-sided-short-edge";
    case QPrinter::DuplexLongSide:
        return "two-sided-long-edge";
    case QPrinter::DuplexShortSide:
        return "two-sided-short-edge";
    }
    return "one-sided";
}

// The options Qt's own CUPS printing gives a job.
std::vector<std::pair<std::string, std::string>> jobOptions(const QPrinter& printer) {
    std::vector<std::pair<std::string, std::string>> options;
    options.emplace_back("media", printer.pageLayout().pageSize().key().toStdString());
    if (printer.copyCount() > 1) {
        options.emplace_back("copies", std::to_string(printer.copyCount()));
        if (printer.collateCopies()) {
            options.emplace_back("Collate", "True");
        }
    }
    options.emplace_back("sides", sides(printer));
    if (printer.pageLayout().orientation() == QPageLayout::Landscape) {
        options.emplace_back("landscape", "");
    }
    const QStringList own = printer.printEngine()->property(CupsOptionsKey).toStringList();
    for (qsizetype index = 0; index + 1 < own.size(); index += 2) {
        options.emplace_back(own[index].toStdString(), own[index + 1].toStdString());
    }
    return options;
}

class CupsOptions {
public:
    explicit CupsOptions(const std::vector<std::pair<std::string, std::string>>& options) {
        for (const auto& [name, value] : options) {
            count_ = cupsAddOption(name.c_str(), value.c_str(), count_, &options_);
        }
    }
    ~CupsOptions() { cupsFreeOptions(count_, options_); }
    CupsOptions(const CupsOptions&) = delete;
    CupsOptions& operator=(const CupsOptions&) = delete;

    int count() const { return count_; }
    cups_option_t* options() const { return options_; }

private:
    int count_ = 0;
    cups_option_t* options_ = nullptr;
};

} // namespace

class QueueUpload::Job {
public:
    Job(const QPrinter& printer, const QString& file, const QString& title);
    ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    bool sendPiece();

private:
    std::string queue_;
    QFile file_;
    http_t* http_ = nullptr;
    int job_ = 0;
    bool sent_ = false;
};

QueueUpload::QueueUpload(const QPrinter& printer, const QString& file, const QString& title)
    : job_(std::make_unique<Job>(printer, file, title)) {}

QueueUpload::~QueueUpload() = default;

bool QueueUpload::sendPiece() {
    return job_->sendPiece();
}

QueueUpload::Job::Job(const QPrinter& printer, const QString& file, const QString& title)
    // The name may carry "/instance"; the queue is the part before it.
    : queue_(printer.printerName().section(u'/', 0, 0).toStdString()), file_(file) {
    if (!file_.open(QIODevice::ReadOnly)) {
        throw std::runtime_error(file_.errorString().toStdString());
    }
    // A connection of the job's own: cancelling it takes another, which cannot be one in mid-document.
    http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr);
    if (http_ == nullptr) {
        throw cupsError();
    }
    const CupsOptions options(jobOptions(printer));
    const std::string name = title.toStdString();
    job_ = cupsCreateJob(http_, queue_.c_str(), name.c_str(), options.count(), options.options());
    if (job_ == 0 || cupsStartDocument(http_, queue_.c_str(), job_, name.c_str(), CUPS_FORMAT_AUTO, 1) !=
                         HTTP_STATUS_CONTINUE) {
        const std::runtime_error error = cupsError();
        httpClose(http_);
        if (job_ != 0) {
            cupsCancelJob2(CUPS_HTTP_DEFAULT, queue_.c_str(), job_, 0);
        }
        throw error;
    }
}

QueueUpload::Job::~Job() {
    httpClose(http_);
    if (!sent_) {
        cupsCancelJob2(CUPS_HTTP_DEFAULT, queue_.c_str(), job_, 0);
    }
}

bool QueueUpload::Job::sendPiece() {
    std::array<char, 64 * 1024> piece{};
    const qint64 length = file_.read(piece.data(), piece.size());
    if (length < 0) {
        throw std::runtime_error(file_.errorString().toStdString());
    }
    if (length > 0) {
        if (cupsWriteRequestData(http_, piece.data(), static_cast<size_t>(length)) != HTTP_STATUS_CONTINUE) {
            throw cupsError();
        }
        return false;
    }
    if (cupsFinishDocument(http_, queue_.c_str()) >= IPP_STATUS_REDIRECTION_OTHER_SITE) {
        throw cupsError();
    }
    sent_ = true;
    return true;
}

} // namespace print
