#pragma once

#include "SyncProgress.h"
#include "SyncQuestionBoxes.h"
#include "session/ListSession.h"
#include "synchronise/SyncJob.h"

#include <QObject>

#include <functional>
#include <optional>

class QWidget;

namespace ui {

// The window's "Synchronise" and its account: one sync at a time, with the progress dialog, the questions
// as boxes, and a short notice of what it did. The list changes through the session meanwhile, so the
// grid's selection stays on its record.
class WindowSync : public QObject {
public:
    WindowSync(session::ListSession& list, QWidget& window, std::function<int()> keyColumn);

    // With the account set up before; the account dialog first where there is none.
    void synchronise();
    // The account dialog, then a sync with what it holds.
    void setUpAccount();
    // The window closes: a sync under way stops where it is, which is safe.
    void cancel() { job_.cancel(); }
    bool running() const { return job_.running(); }

private:
    void refuseWhileRunning() const;
    void start(const carddav::Account& account, std::optional<QString> password);
    void tell(const synchronise::Outcome& outcome);

    session::ListSession& list_;
    QWidget& window_;
    SyncQuestionBoxes questions_;
    synchronise::SyncJob job_;
    SyncProgress progress_;
};

} // namespace ui
