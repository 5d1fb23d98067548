#pragma once

#include <QFile>

#include <string>

class QPrinter;
typedef struct _http_s http_t;

namespace print {

// A printed file handed to the printer's CUPS queue as one job, a piece at a time, so that the event
// loop runs in between. The job gets the options the print dialog set: copies, collation, sides,
// orientation, paper and the printer's own settings. Errors come as std::runtime_error with CUPS's
// message.
class QueueUpload {
public:
    QueueUpload(const QPrinter& printer, const QString& file, const QString& title);
    ~QueueUpload(); // a job not sent in full is cancelled, so the queue never prints half of it
    QueueUpload(const QueueUpload&) = delete;
    QueueUpload& operator=(const QueueUpload&) = delete;

    // Sends the next piece; true once the queue has the whole file.
    bool sendPiece();

private:
    std::string queue_;
    QFile file_;
    http_t* http_ = nullptr;
    int job_ = 0;
    bool sent_ = false;
};

} // namespace print
