#include "ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <memory>

void whenModalOpens(std::function<void(QWidget*)> action, int timeoutMs) {
    auto* const timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, action = std::move(action), timeoutMs] {
        QWidget* const modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            qWarning("whenModalOpens: no modal window appeared");
        }
    });
    timer->start(10);
}

void clickInNextModal(const QString& buttonText) {
    whenModalOpens([buttonText](QWidget* modal) {
        for (QAbstractButton* const button : modal->findChildren<QAbstractButton*>()) {
            if (button->text() == buttonText) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        qWarning("clickInNextModal: no button '%s'", qPrintable(buttonText));
    });
}
