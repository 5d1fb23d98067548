#pragma once

#include <QString>

#include <memory>

class QPrinter;

namespace print {

// A printed file handed to the printer's queue as one job, a piece at a time, so that the event loop
// runs in between. The job gets the options the print dialog set: copies, collation, sides, orientation,
// paper and the printer's own settings. Errors come as std::runtime_error with the queue's message.
// Through CUPS on POSIX (print/posix/); a Windows build would hand the file to the spooler instead.
class QueueUpload {
public:
    QueueUpload(const QPrinter& printer, const QString& file, const QString& title);
    ~QueueUpload(); // a job not sent in full is cancelled, so the queue never prints half of it
    QueueUpload(const QueueUpload&) = delete;
    QueueUpload& operator=(const QueueUpload&) = delete;

    // Sends the next piece; true once the queue has the whole file.
    bool sendPiece();

private:
    class Job; // the system's side of it
    std::unique_ptr<Job> job_;
};

} // namespace print
