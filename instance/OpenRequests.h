#pragma once

#include "Rendezvous.h"

#include <QObject>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <vector>

class QWidget;

namespace instance {

// Serves the requests of later starts in the main window: it comes to the front once it is shown, and
// the contacts of a file go into the list once no dialog or message box is open, since a command waiting
// on one holds a row number the new contacts would move. Contacts still waiting when the window closes
// go in before it saves, without a notice.
class OpenRequests : public QObject {
    Q_OBJECT
public:
    using AddContacts = std::function<void(const std::filesystem::path& file, bool tell)>;
    OpenRequests(Rendezvous& rendezvous, QWidget& mainWindow, AddContacts addContacts);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void serve();

    QWidget& mainWindow_;
    AddContacts addContacts_;
    std::vector<QByteArray> toFront_; // startup ids
    std::vector<std::filesystem::path> contacts_;
    QTimer retry_;
};

} // namespace instance
