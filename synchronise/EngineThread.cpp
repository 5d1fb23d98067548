#include "EngineThread.h"

#include "FailureText.h"

#include "sync/StateStore.h"

#include <optional>

namespace synchronise {

namespace {

std::vector<book::Record> recordsOf(const book::AddressTable& table) {
    std::vector<book::Record> records;
    records.reserve(static_cast<std::size_t>(table.recordCount()));
    for (int index = 0; index < table.recordCount(); ++index) {
        records.push_back(table.record(index));
    }
    return records;
}

} // namespace

// What lives on the engine's thread: the run and its state file.
class EngineThread::Worker : public QObject {
public:
    std::optional<cardsync::StateFile> store;
    std::unique_ptr<cardsync::SyncRun> run;

    void drop() {
        run.reset();
        store.reset();
    }
};

EngineThread::EngineThread(QObject* parent) : QObject(parent), worker_(new Worker) {
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.setObjectName(QStringLiteral("sync engine"));
    thread_.start();
}

EngineThread::~EngineThread() {
    drop();
    thread_.quit();
    thread_.wait();
}

// The step runs on the engine's thread; whatever it raises ends the run there.
template <typename Step> void EngineThread::onWorker(Step step) {
    QMetaObject::invokeMethod(worker_, [this, generation = generation_, step = std::move(step)]() mutable {
        try {
            step(*worker_, generation);
        } catch (...) {
            worker_->drop();
            tell(generation,
                 [this, message = failureText(std::current_exception())] { emit failed(message); });
        }
    });
}

// Back on the caller's thread, unless the run was dropped meanwhile.
template <typename Report> void EngineThread::tell(std::uint64_t generation, Report report) {
    QMetaObject::invokeMethod(
        this,
        [this, generation, report = std::move(report)]() mutable {
            if (generation == generation_) {
                report();
            }
        },
        Qt::QueuedConnection);
}

void EngineThread::start(std::string addressBook, book::AddressTable list, std::filesystem::path stateFile) {
    drop();
    onWorker([this, addressBook = std::move(addressBook), list = std::move(list),
              stateFile = std::move(stateFile)](Worker& worker, std::uint64_t generation) mutable {
        worker.store.emplace(std::move(stateFile));
        worker.run =
            std::make_unique<cardsync::SyncRun>(std::move(addressBook), recordsOf(list), *worker.store);
        list = book::AddressTable(); // its copy of the edited lines goes before the sync's work
        tellNext(worker, generation);
    });
}

void EngineThread::answer(cardsync::Response response) {
    onWorker([this, response = std::move(response)](Worker& worker, std::uint64_t generation) {
        if (worker.run) {
            worker.run->answer(response);
            tellNext(worker, generation);
        }
    });
}

void EngineThread::confirm() {
    onWorker([this](Worker& worker, std::uint64_t generation) {
        if (worker.run) {
            worker.run->confirm();
            tellNext(worker, generation);
        }
    });
}

void EngineThread::localChangesApplied(std::vector<bool> applied) {
    onWorker([this, applied = std::move(applied)](Worker& worker, std::uint64_t generation) {
        if (worker.run) {
            worker.run->localChangesApplied(applied);
            tellNext(worker, generation);
        }
    });
}

void EngineThread::drop() {
    ++generation_;
    onWorker([](Worker& worker, std::uint64_t) { worker.drop(); });
}

// Called on the engine's thread.
void EngineThread::tellNext(Worker& worker, std::uint64_t generation) {
    cardsync::SyncRun& run = *worker.run;
    const int answered = static_cast<int>(run.requestsAnswered());
    const int known = static_cast<int>(run.requestsKnown());
    switch (run.stage()) {
    case cardsync::SyncRun::Stage::Requests:
        tell(generation, [this, request = *run.next(), answered, known] {
            emit progressed(answered, known);
            emit requestReady(request);
        });
        return;
    case cardsync::SyncRun::Stage::ConfirmDeletions:
        tell(generation, [this, text = QString::fromStdString(run.deletions().text())] {
            emit confirmationNeeded(text);
        });
        return;
    case cardsync::SyncRun::Stage::ApplyLocalChanges:
        tell(generation, [this, changes = std::make_shared<std::vector<cardsync::LocalChange>>(
                                    run.localChanges())] { emit changesReady(changes); });
        return;
    case cardsync::SyncRun::Stage::Finished:
        tell(generation, [this, summary = run.summary(), known] {
            emit progressed(known, known);
            emit finished(summary);
        });
        worker.drop();
        return;
    }
}

} // namespace synchronise
