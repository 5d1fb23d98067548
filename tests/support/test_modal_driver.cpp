// The modal helper's watchdog: every test of modal_driver_failures must fail where it went wrong,
// with its window closed, and run to its end.
#include <QProcess>
#include <QTest>

class ModalDriverTest : public QObject {
    Q_OBJECT
private slots:
    void failuresFailInsteadOfHanging_data();
    void failuresFailInsteadOfHanging();
};

void ModalDriverTest::failuresFailInsteadOfHanging_data() {
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("told");
    QTest::newRow("failed check") << "failedCheckInsideTheDialog"
                                  << "Compared values are not the same";
    QTest::newRow("left open") << "dialogLeftOpen"
                               << "the modal window 'Options' was left open";
    QTest::newRow("missing button") << "missingButton"
                                    << "no button 'Abbrechen' in 'Information'";
    QTest::newRow("no window, waiting") << "modalNeverOpensWhileTheTestWaits"
                                        << "no modal window appeared";
    QTest::newRow("no window, at the end") << "modalNeverOpensBeforeTheEnd"
                                           << "no modal window appeared";
}

void ModalDriverTest::failuresFailInsteadOfHanging() {
    QFETCH(QString, function);
    QFETCH(QString, told);
    QProcess failures;
    failures.start(QStringLiteral(MODAL_DRIVER_FAILURES), {function});
    // Far beyond the helper's own limits: only a hang takes this long.
    QVERIFY2(failures.waitForFinished(20'000), "the failing test hung");
    const QString output = QString::fromUtf8(failures.readAllStandardOutput());
    QCOMPARE(failures.exitCode(), 1); // one failed test
    const QString prefix = "ModalDriverFailures::" + function + "() ";
    QVERIFY2(output.contains("FAIL!  : " + prefix + told), qPrintable(output));
    QVERIFY2(output.contains("QINFO  : " + prefix + "went on"), qPrintable(output));
    QVERIFY2(!output.contains("dialog visible: 1"), qPrintable(output));
}

QTEST_MAIN(ModalDriverTest)
#include "test_modal_driver.moc"
