#include "Program.h"

#include "CloseRequests.h"
#include "instance/OpenRequests.h"
#include "ui/ErrorBox.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"
#include "ui/Unit6.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTimer>

#include <optional>

int runProgram(const std::filesystem::path& programFolder, const std::filesystem::path& settingsFile,
               const std::filesystem::path& contactsToAdd, instance::Rendezvous* laterStarts) {
    TForm1 form1({programFolder, settingsFile, contactsToAdd});
    if (form1.probeFailed()) {
        return 0;
    }
    // Dialogs belong to the main window and live as long as it does.
    form1.attachDialogs(new TForm2(&form1), new TForm3(&form1), new TForm6(&form1));
    for (const QString& error : form1.startupErrors()) {
        ui::showErrorBox(nullptr, error);
    }
    // From here on a request to end is served by the loop.
    const CloseRequests closeRequests(form1, [&form1] { form1.saveWithoutClosing(); });
    form1.show();
    std::optional<instance::OpenRequests> openRequests;
    if (laterStarts) {
        openRequests.emplace(*laterStarts, form1, [&form1](const std::filesystem::path& file, bool tell) {
            form1.addContactsFrom(file, tell);
        });
    }
    if (!form1.contactsNotice().isEmpty()) { // once the window stands, over it
        QTimer::singleShot(0, &form1, [&form1] { ui::showInformation(&form1, form1.contactsNotice()); });
    }
    return QApplication::exec();
}

std::filesystem::path defaultSettingsFile() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::filesystem::path(config.toStdString()) / "numberwell" / "user.reg";
}
