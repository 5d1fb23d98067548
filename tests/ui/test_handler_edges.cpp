// Whatever a command's work raises ends its handler in the error box, and the program goes on: no
// exception passes through the event loop (here a plain QApplication, which would end the test).
#include "MainWindowRun.h"
#include "support/FailOnWarnings.h"
#include "support/FailureRows.h"
#include "support/ModalDriver.h"

#include <QTest>

namespace {

// Heard after the grid's model: raises once a record was rewritten, from deep inside the command.
class RaisingObserver : public book::ListObserver {
public:
    std::function<void()> raise;

    void recordsInserting(int, int) override {}
    void recordsInserted() override {}
    void recordRemoving(int) override {}
    void recordRemoved() override {}
    void recordMoving(int, int) override {}
    void recordMoved() override {}
    void recordChanged(int) override { raise(); }
    std::vector<int> recordsReordering() override { return {}; }
    void recordsReordered(std::span<const int>) override {}
    void listReplacing() override {}
    void listReplaced() override {}
};

} // namespace

class HandlerEdgesTest : public QObject {
    Q_OBJECT
private slots:
    void init() { testsupport::failOnWarnings(); }
    void aCommandEndsInTheErrorBox_data() { testsupport::failureRows(); }
    void aCommandEndsInTheErrorBox();
};

void HandlerEdgesTest::aCommandEndsInTheErrorBox() {
    QFETCH(int, failure);
    QFETCH(QString, told);
    MainWindowRun run;
    run.writeAddresses("Meier|Max|||||\r\n");
    run.start();
    RaisingObserver observer;
    observer.raise = testsupport::failure(failure);
    run.list().addObserver(observer);
    whenModalOpens([](QWidget* entry) { QTest::keyClick(entry, Qt::Key_O, Qt::AltModifier); });
    QString text;
    answerNextMessageBox(text);
    run.press(Qt::Key_F4);
    run.list().removeObserver(observer);
    QVERIFY2(text.startsWith(told), qPrintable(text));
    QVERIFY(run.form().isVisible());
    QVERIFY(run.close()); // and the window goes on as ever
}

QTEST_MAIN(HandlerEdgesTest)
#include "test_handler_edges.moc"
