#include "FindRun.h"

#include "AddressModel.h"

namespace {

// About a millisecond of scanning: a whole million-row list takes a few dozen slices.
constexpr std::size_t SliceBytes = std::size_t{4} << 20;

} // namespace

FindRun::FindRun(const AddressModel& model, QObject* parent) : QObject(parent), model_(model) {
    nextSlice_.setSingleShot(true);
    nextSlice_.setInterval(0);
    connect(&nextSlice_, &QTimer::timeout, this, &FindRun::step);
    connect(&model_, &AddressModel::modelReset, this, &FindRun::restart);
    connect(&model_, &AddressModel::layoutChanged, this, &FindRun::restart);
    connect(&model_, &AddressModel::rowsInserted, this, &FindRun::restart);
    connect(&model_, &AddressModel::rowsRemoved, this, &FindRun::restart);
    connect(&model_, &AddressModel::rowsMoved, this, &FindRun::restart);
    connect(&model_, &AddressModel::dataChanged, this, &FindRun::restart);
}

void FindRun::start(std::string text, int afterRecord) {
    text_ = std::move(text);
    afterRecord_ = afterRecord;
    finder_.emplace(text_, afterRecord_);
    step(); // a text close by is found at once
}

void FindRun::restart() {
    if (running()) {
        finder_.emplace(text_, afterRecord_);
        nextSlice_.start();
    }
}

void FindRun::step() {
    if (!finder_) {
        return;
    }
    if (!finder_->advance(model_.table(), SliceBytes)) {
        nextSlice_.start();
        return;
    }
    const std::optional<book::FoundRecord> result = finder_->found();
    finder_.reset();
    if (result) {
        emit found(result->record, result->wrapped);
    } else {
        emit notFound();
    }
}
