#pragma once

#include "book/AddressTable.h"
#include "sync/ServerRequests.h"
#include "sync/SyncRun.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace synchronise {

// The sync engine on a thread of its own. Its longest steps (the plan for 10,000 new cards, writing the
// state file) take tens of milliseconds, which the window's event loop must not wait for; the engine
// touches nothing but its state file, so it can work there. Each call is carried out there in turn, and
// what the engine wants next comes back as a signal on the caller's thread:
//
//     engine.start(addressBook, table, stateFile);   // then one of the signals
//     requestReady -> send it, then answer(response)
//     confirmationNeeded -> ask, then confirm() or drop()
//     changesReady -> make them on the list, then localChangesApplied(which)
//     finished or failed: the run is over
//
// drop() lets go of the run at once: nothing it still reports arrives, and the next run completes its work.
class EngineThread : public QObject {
    Q_OBJECT
public:
    explicit EngineThread(QObject* parent = nullptr);
    ~EngineThread() override; // waits for the step under way, a few dozen milliseconds at most

    // The list as it stands (a copy shares its bytes); blank records are never exchanged.
    void start(std::string addressBook, book::AddressTable list, std::filesystem::path stateFile);
    void answer(cardsync::Response response);
    void confirm();
    void localChangesApplied(std::vector<bool> applied);
    void drop();

signals:
    void requestReady(const cardsync::Request& request);
    void confirmationNeeded(const QString& deletions);
    void changesReady(const std::shared_ptr<std::vector<cardsync::LocalChange>>& changes);
    void finished(const cardsync::Summary& summary);
    void failed(const QString& message);
    void progressed(int answered, int known);

private:
    class Worker;
    template <typename Step> void onWorker(Step step);
    void tellNext(Worker& worker, std::uint64_t generation);
    template <typename Report> void tell(std::uint64_t generation, Report report);

    QThread thread_;
    Worker* worker_;               // lives on thread_, deleted when it ends
    std::uint64_t generation_ = 0; // of the current run; read and written on the caller's thread only
};

} // namespace synchronise
