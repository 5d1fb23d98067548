#pragma once

#include "book/Find.h"

#include <QObject>
#include <QTimer>

#include <optional>
#include <string>

class AddressModel;

// One "find next" over the grid's table, a slice at a time between turns of the event loop, so that the
// window repaints and takes input while a long list is searched. A change of the table starts the
// search again from the same record.
class FindRun : public QObject {
    Q_OBJECT
public:
    explicit FindRun(const AddressModel& model, QObject* parent = nullptr);

    // Looks for the bytes in the records after afterRecord (from 0; -1 for all from the first). A find
    // still under way is dropped.
    void start(std::string text, int afterRecord);
    bool running() const { return finder_.has_value(); }

signals:
    void found(int record, bool wrapped);
    void notFound();

private:
    void step();
    void restart();

    const AddressModel& model_;
    std::string text_;
    int afterRecord_ = -1;
    std::optional<book::RecordFinder> finder_;
    QTimer nextSlice_;
};
