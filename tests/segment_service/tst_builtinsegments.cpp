// The built-in data against the whole 2025-02 table, in-process and through the
// binary; on the build host also against libphonenumber's geocoder.
#include "answerformat.h"
#include "carrierprefixes.h"
#include "cityname.h"
#include "gbktext.h"
#include "segmenttablefile.h"
#include "serviceprocess.h"
#include "servicetestclient.h"

#ifdef TARVIO_HAVE_GENERATOR_LOOKUP
#include "regionlookup.h"
#endif

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <string>
#include <vector>

namespace {

struct Row {
    uint32_t block = 0;
    std::string province;
    std::string city;
};

std::string Percent(size_t part, size_t whole) {
    return std::to_string(part) + " (" +
           QString::number(100.0 * double(part) / double(whole), 'f', 3).toStdString() + " %)";
}

std::string Expected(const std::string &number, const Row &row) {
    return Utf8ToGbk(KnownNumberAnswer(number, row.province, CityShortName(row.province, row.city),
                                       CarrierForNumber(number)))
        .value_or("(not GBK)");
}

} // namespace

class TestBuiltinSegments : public QObject {
    Q_OBJECT
    std::vector<Row> m_rows;
    SegmentTable m_builtin;

private slots:
    // Read without the service's own readers: UTF-8, six fields, no quotes.
    void initTestCase() {
        QFile file(QStringLiteral(TARVIO_SEGMENT_TABLE));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QVERIFY(lines[0].startsWith("号段,省份,城市,"));
        for (qsizetype i = 1; i < lines.size(); ++i) {
            if (lines[i].isEmpty())
                continue;
            const QList<QByteArray> fields = lines[i].split(',');
            QVERIFY2(fields.size() == 6 && fields[0].size() == 7, lines[i].constData());
            m_rows.push_back(
                {fields[0].toUInt(), fields[1].toStdString(), fields[2].toStdString()});
        }
        QCOMPARE(m_rows.size(), size_t(516'931));
        m_builtin = BuiltinSegments();
        QVERIFY(!m_builtin.Empty());
    }

    void answersTheWholeTable() {
        size_t answered = 0, sameProvince = 0, allocatedCarrier = 0;
        for (const Row &row : m_rows) {
            const std::string number = std::to_string(row.block) + "4321";
            const std::optional<SegmentTable::Entry> entry = m_builtin.Find(number);
            if (!entry)
                continue;
            ++answered;
            sameProvince += entry->region->province == row.province;
            allocatedCarrier += entry->carrier == CarrierForNumber(number);
        }
        const size_t blocks = m_rows.size();
        qInfo("2025-02 table, %zu blocks: answered %s, province as the table %s, carrier as "
              "the allocation %s",
              blocks, Percent(answered, blocks).c_str(), Percent(sameProvince, blocks).c_str(),
              Percent(allocatedCarrier, blocks).c_str());
        QVERIFY(answered * 1000 >= blocks * 999);
        QVERIFY(sameProvince * 1000 >= blocks * 995);
        QVERIFY(allocatedCarrier * 1000 >= blocks * 995);
    }

    // --version names the data, and a sample of blocks gets the merge's answer.
    void binaryAnswersTheTable() {
        QTemporaryDir dir;
        const QString binary = CopyServiceInto(dir.path());
        QVERIFY(!binary.isEmpty());

        QProcess version;
        version.start(binary, {QStringLiteral("--version")});
        QVERIFY(version.waitForFinished(30'000));
        QCOMPARE(version.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(version.readAllStandardOutput()).trimmed(),
                 QStringLiteral("segment-service: built-in data of 2025-02, %1 blocks")
                     .arg(m_builtin.BlockCount()));

        const ServiceProcess service(binary);
        QVERIFY2(service.port > 0, qPrintable(service.output));
        TestClient client(service.port);
        for (size_t i = 0; i < m_rows.size(); i += 101) {
            const std::string number = std::to_string(m_rows[i].block) + "0001";
            QVERIFY(client.Get(AnswerTarget(number.c_str())));
            const std::optional<HttpAnswer> answer = client.Receive();
            QVERIFY(answer);
            QCOMPARE(answer->body.toStdString(), Expected(number, m_rows[i]));
        }
    }

#ifdef TARVIO_HAVE_GENERATOR_LOOKUP
    // The blocks the table lacks: as the geocoder says where allocated, else unknown.
    void geocoderFillsTheRest() {
        std::vector<bool> inTable(SegmentTable::kBlockCount);
        for (const Row &row : m_rows)
            inTable[row.block - SegmentTable::kFirstBlock] = true;
        const RegionLookup regions;
        size_t filled = 0, wrong = 0;
        for (uint32_t block = SegmentTable::kFirstBlock;
             block < SegmentTable::kFirstBlock + SegmentTable::kBlockCount; ++block) {
            if (inTable[block - SegmentTable::kFirstBlock])
                continue;
            const std::string number = std::to_string(block) + "5678";
            const std::string_view carrier = CarrierForNumber(number);
            const Region region = carrier.empty() ? Region{} : regions.ForNumber(number);
            const std::optional<SegmentTable::Entry> entry = m_builtin.Find(number);
            const bool right =
                region.province.empty()
                    ? !entry
                    : entry && entry->region->province == region.province &&
                          entry->region->city == CityShortName(region.province, region.city) &&
                          entry->carrier == carrier;
            filled += entry.has_value();
            if (!right && ++wrong <= 5)
                qWarning("block %u: geocoder says %s %s", unsigned(block), region.province.c_str(),
                         region.city.c_str());
        }
        qInfo("blocks the table lacks that libphonenumber fills: %zu", filled);
        QCOMPARE(wrong, size_t(0));
        QVERIFY(filled > 0);
    }
#endif
};

QTEST_GUILESS_MAIN(TestBuiltinSegments)
#include "tst_builtinsegments.moc"
