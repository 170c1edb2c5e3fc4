// The desktop program's own lookup client against our service: what a user
// sees when the program runs with the service beside it.
#include "lookup/lookupanswer.h"
#include "lookup/lookupclient.h"
#include "runningservice.h"

#include <QtTest>

class TestServiceLookup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void acceptedNumbers_data();
    void acceptedNumbers();
    void refusedNumbers_data();
    void refusedNumbers();

private:
    std::unique_ptr<RunningService> m_service;
};

void TestServiceLookup::initTestCase() {
    m_service = std::make_unique<RunningService>();
    QVERIFY(m_service->ok());
}

void TestServiceLookup::cleanupTestCase() {
    m_service.reset();
}

void TestServiceLookup::acceptedNumbers_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("location");
    QTest::newRow("Beijing") << "13800138000"
                             << "北京 移动";
    QTest::newRow("Inner Mongolia") << "13904710000"
                                    << "内蒙古 移动";
    QTest::newRow("Unicom") << "18616000000"
                            << "上海 联通";
    QTest::newRow("Telecom") << "18901000000"
                             << "北京 电信";
}

void TestServiceLookup::acceptedNumbers() {
    QFETCH(QString, number);
    QFETCH(QString, location);
    LookupClient client(QString::fromStdString(m_service->hostAndPort()), 10'000);
    const LookupAnswer answer = client.QueryLocation(number);
    QVERIFY(answer.accepted());
    QCOMPARE(LocationText(answer), location);
    client.CancelTransfer();
}

void TestServiceLookup::refusedNumbers_data() {
    QTest::addColumn<QString>("number");
    QTest::newRow("no data for the block") << "19200000000";
    QTest::newRow("too short") << "1380013800";
    QTest::newRow("blank at the end") << "1380013800 ";
}

void TestServiceLookup::refusedNumbers() {
    QFETCH(QString, number);
    LookupClient client(QString::fromStdString(m_service->hostAndPort()), 10'000);
    const LookupAnswer answer = client.QueryLocation(number);
    QCOMPARE(answer.outcome, LookupAnswer::Outcome::Refused);
}

QTEST_GUILESS_MAIN(TestServiceLookup)
#include "tst_servicelookup.moc"
