// Tests that go wrong while a modal window is open, for test_modal_driver to run one by one: each of
// them must fail, close its window and go on to its end instead of hanging.
#include "ModalDriver.h"

#include <QDialog>
#include <QMessageBox>
#include <QTest>

class ModalDriverFailures : public QObject {
    Q_OBJECT
private slots:
    void failedCheckInsideTheDialog() {
        whenModalOpens([](QWidget* dialog) { QCOMPARE(dialog->windowTitle(), QStringLiteral("Another")); });
        QDialog dialog;
        dialog.setWindowTitle(QStringLiteral("Options"));
        dialog.exec();
        qInfo("went on, dialog visible: %d", dialog.isVisible());
    }

    void dialogLeftOpen() {
        whenModalOpens([](QWidget*) {}, 300);
        QDialog dialog;
        dialog.setWindowTitle(QStringLiteral("Options"));
        dialog.exec();
        qInfo("went on, dialog visible: %d", dialog.isVisible());
    }

    void missingButton() {
        clickInNextModal(QStringLiteral("Abbrechen"));
        QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), QStringLiteral("Done"));
        box.exec();
        qInfo("went on, dialog visible: %d", box.isVisible());
    }

    void modalNeverOpensWhileTheTestWaits() {
        whenModalOpens([](QWidget*) {}, 300);
        QTest::qWait(1000);
        qInfo("went on");
    }

    void modalNeverOpensBeforeTheEnd() {
        clickInNextModal(QStringLiteral("OK"));
        expectAllModalsAnswered();
        qInfo("went on");
    }
};

QTEST_MAIN(ModalDriverFailures)
#include "modal_driver_failures.moc"
