// The built-in table (bin/builtin-segments.csv, written by the build) holds
// what the service used to look up at run time: on the build host, every
// block is compared with that lookup, libphonenumber's geocoder and the
// carrier prefixes, asked for another number of the block than the one the
// table was made from. On every system, the service answers every block
// exactly as the table, read here on its own, says.
#include "answerformat.h"
#include "gbktext.h"
#include "segmentanswer.h"
#include "segmenttablefile.h"
#include "servicetestclient.h"

#ifdef TARVIO_HAVE_GENERATOR_LOOKUP
#include "carrierprefixes.h"
#include "regionlookup.h"
#endif

#include <QFile>
#include <QHash>
#include <QtTest>

#include <string>

namespace {

struct Row {
    QByteArray province;
    QByteArray city;
    QByteArray carrier;
};

// The table as plain text: "block,province,city,carrier" per line, UTF-8,
// read without the service's own reader.
QHash<int, Row> ReadTable(QString &error) {
    QFile file(QStringLiteral(BUILTIN_SEGMENTS_FILE));
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return {};
    }
    QHash<int, Row> rows;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.isEmpty() || lines[0] != "号段,省份,城市,运营商") {
        error = QStringLiteral("no header");
        return {};
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QList<QByteArray> fields = lines[i].split(',');
        if (fields.size() != 4 || fields[0].size() != 7) {
            error = QStringLiteral("line %1 is not a row").arg(i + 1);
            return {};
        }
        rows.insert(fields[0].toInt(), Row{fields[1], fields[2], fields[3]});
    }
    return rows;
}

// What the service answers for a number, in GBK.
std::string Answer(const SegmentAnswerer &answerer, const std::string &number) {
    std::string out;
    answerer.Answer(number, out);
    return out;
}

std::string Gbk(const std::string &utf8) {
    return Utf8ToGbk(utf8).value_or("(not GBK)");
}

} // namespace

class TestBuiltinSegments : public QObject {
    Q_OBJECT

private slots:
    void serviceAnswersEveryBlockAsTheTableSays() {
        QString error;
        const QHash<int, Row> rows = ReadTable(error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // Hundreds of thousands of blocks, or the build wrote too little.
        QVERIFY(rows.size() > 250'000);
        const SegmentAnswerer answerer(BuiltinSegments());
        int wrong = 0;
        for (int block = 1'000'000; block < 2'000'000; ++block) {
            const std::string number = std::to_string(block) + "4321";
            const auto row = rows.constFind(block);
            const std::string expected =
                row == rows.cend()
                    ? UnknownNumberAnswer("unknown")
                    : Gbk(KnownNumberAnswer(number, row->province.toStdString(),
                                            row->city.toStdString(), row->carrier.toStdString()));
            const std::string answer = Answer(answerer, number);
            if (answer != expected && ++wrong <= 5)
                qWarning("block %d: answered %s", block, answer.c_str());
        }
        QCOMPARE(wrong, 0);
    }

    // The same over HTTP, for a sample of blocks.
    void binaryAnswersAsTheTableSays() {
        QString error;
        const QHash<int, Row> rows = ReadTable(error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        RunningService service({}, BuiltinSegments());
        TestClient client(service.port);
        int asked = 0;
        for (auto row = rows.cbegin(); row != rows.cend(); ++row) {
            if (row.key() % 997 != 0)
                continue;
            const std::string number = std::to_string(row.key()) + "0001";
            QVERIFY(client.Get(AnswerTarget(number.c_str())));
            const std::optional<HttpAnswer> answer = client.Receive();
            QVERIFY(answer);
            QCOMPARE(answer->body.toStdString(),
                     Gbk(KnownNumberAnswer(number, row->province.toStdString(),
                                           row->city.toStdString(), row->carrier.toStdString())));
            ++asked;
        }
        QVERIFY(asked > 200);
    }

#ifdef TARVIO_HAVE_GENERATOR_LOOKUP
    // The answer the service gave before it had the table: the carrier from
    // the prefix, the region from the geocoder, "unknown" without either.
    void tableHoldsWhatTheRuntimeLookupGave() {
        const SegmentAnswerer answerer(BuiltinSegments());
        const RegionLookup regions;
        int wrong = 0;
        for (int block = 1'000'000; block < 2'000'000; ++block) {
            const std::string number = std::to_string(block) + "5678";
            std::string expected = UnknownNumberAnswer("unknown");
            const std::string_view carrier = CarrierForNumber(number);
            if (!carrier.empty()) {
                const Region region = regions.ForNumber(number);
                if (!region.province.empty())
                    expected =
                        Gbk(KnownNumberAnswer(number, region.province, region.city, carrier));
            }
            const std::string answer = Answer(answerer, number);
            if (answer != expected && ++wrong <= 5)
                qWarning("block %d: table says %s", block, answer.c_str());
        }
        QCOMPARE(wrong, 0);
    }
#endif
};

QTEST_GUILESS_MAIN(TestBuiltinSegments)
#include "tst_builtinsegments.moc"
