// The application object is the last edge: whatever an event handler raises past its own edge (the
// toolkit's handlers have none) is shown in the error box, and the program goes on.
#include "app/Application.h"
#include "support/FailOnWarnings.h"
#include "support/FailureRows.h"
#include "support/ModalDriver.h"

#include <QTest>

namespace {

class RaisingWidget : public QWidget {
public:
    std::function<void()> raise;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            raise();
        }
        return QWidget::event(event);
    }
};

} // namespace

class ApplicationEdgeTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void everyKindIsShownInTheErrorBox_data() { testsupport::failureRows(); }
    void everyKindIsShownInTheErrorBox();
};

void ApplicationEdgeTest::everyKindIsShownInTheErrorBox() {
    QFETCH(int, failure);
    QFETCH(QString, told);
    RaisingWidget widget;
    widget.raise = testsupport::failure(failure);
    widget.show();
    QString text;
    answerNextMessageBox(text);
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&widget, &event);
    QVERIFY2(text.startsWith(told), qPrintable(text));
    expectAllModalsAnswered();
}

int main(int argc, char** argv) {
    Application application(argc, argv);
    ApplicationEdgeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_application_edge.moc"
