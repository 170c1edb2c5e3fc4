// Where a part's XML may be cut into stretches, and which encodings may be cut.
#include "xmlcuts.h"

#include <QTest>

using Cuts = QList<qsizetype>;

namespace {
// Every cut in `xml` given in pieces of `piece` bytes, each cut dropping the front.
Cuts CutsOf(const QByteArray &xml, qsizetype piece) {
    XmlCutFinder finder("row");
    Cuts cuts;
    QByteArray pending;
    qsizetype dropped = 0;
    for (qsizetype at = 0; at < xml.size(); at += piece) {
        pending += xml.mid(at, piece);
        for (qsizetype cut; (cut = finder.Find(pending, 0)) >= 0;) {
            cuts.append(dropped + cut);
            pending.remove(0, cut);
            finder.DropFront(cut);
            dropped += cut;
        }
    }
    return cuts;
}
} // namespace

class TestXmlCuts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cuts_data();
    void cuts();
    void cutsFrom();
    void encoding_data();
    void encoding();
};

void TestXmlCuts::cuts_data() {
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<Cuts>("cuts");

    QTest::newRow("rows") << QByteArray("<s><row><c/></row><row/><row></row></s>") << Cuts{18, 35};
    QTest::newRow("a prefix") << QByteArray("<x:s><x:row></x:row><ss:row></ss:row></x:s>")
                              << Cuts{20, 37};
    QTest::newRow("other elements")
        << QByteArray("<row>x</rows><arrow></arrow><x:arrow></x:arrow></row >") << Cuts{};
    QTest::newRow("in a comment") << QByteArray("<s><!-- </row> --></row><!----></row>")
                                  << Cuts{24, 37};
    QTest::newRow("a comment's close is no '->'")
        << QByteArray("<s><!-- a -> </row> --></row>") << Cuts{29};
    QTest::newRow("in a CDATA section")
        << QByteArray("<t><![CDATA[</row>]]]></row><![CDATA[]]></row>") << Cuts{28, 46};
    QTest::newRow("in an instruction")
        << QByteArray("<?xml version=\"1.0\"?><s><?x </row> ?></row>") << Cuts{43};
    QTest::newRow("a declaration is markup")
        << QByteArray("<!DOCTYPE s [<!ENTITY a \"</row>\">]><s/>") << Cuts{31};
    QTest::newRow("'!' and '?' in text and attributes")
        << QByteArray("<row a=\"!?\">Hi! ?</row>") << Cuts{23};
    QTest::newRow("a comment after a cut") << QByteArray("</row><!-- x --></row>") << Cuts{6, 22};
    QTest::newRow("a comment left open") << QByteArray("</row><!-- </row>") << Cuts{6};
}

// The same cuts whether the bytes come at once or split inside markup.
void TestXmlCuts::cuts() {
    QFETCH(QByteArray, xml);
    QFETCH(Cuts, cuts);
    QCOMPARE(CutsOf(xml, xml.size()), cuts);
    QCOMPARE(CutsOf(xml, 1), cuts);
    QCOMPARE(CutsOf(xml, 7), cuts);
}

// A cut is the first at or after where it is asked from.
void TestXmlCuts::cutsFrom() {
    const QByteArray xml("<s><row/></row><row></row><!-- </row> --><row></row></s>");
    XmlCutFinder finder("row");
    QCOMPARE(finder.Find(xml, 16), 26);
    QCOMPARE(finder.Find(xml, 27), 52);
    QCOMPARE(finder.Find(xml, 53), -1);
}

void TestXmlCuts::encoding_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<int>("cuts"); // 1: may be cut, 0: not, -1: not yet told

    QTest::newRow("no declaration") << QByteArray("<worksheet>") << false << 1;
    QTest::newRow("UTF-8") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w>") << false
                           << 1;
    QTest::newRow("utf-8 in single quotes, blanks")
        << QByteArray("<?xml version='1.0' encoding = 'utf-8' ?>") << false << 1;
    QTest::newRow("no encoding named") << QByteArray("<?xml version=\"1.0\"?>") << false << 1;
    QTest::newRow("a byte-order mark") << QByteArray("\xEF\xBB\xBF<w>") << false << 1;
    QTest::newRow("ISO-8859-1") << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>")
                                << false << 0;
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFE<\0?\0x\0", 8) << false << 0;
    QTest::newRow("UTF-16 without a mark") << QByteArray("<\0w\0>\0", 6) << false << 0;
    QTest::newRow("blanks before") << QByteArray(" <w>") << false << 0;
    QTest::newRow("the declaration not yet whole")
        << QByteArray("<?xml version=\"1.0\" enc") << false << -1;
    QTest::newRow("the declaration never whole")
        << QByteArray("<?xml version=\"1.0\" enc") << true << 0;
    QTest::newRow("too short to tell") << QByteArray("<?x") << false << -1;
}

void TestXmlCuts::encoding() {
    QFETCH(QByteArray, head);
    QFETCH(bool, complete);
    QFETCH(int, cuts);
    const std::optional<bool> keeps = XmlCutsKeepEncoding(head, complete);
    QCOMPARE(keeps ? int(*keeps) : -1, cuts);
}

QTEST_GUILESS_MAIN(TestXmlCuts)
#include "tst_xmlcuts.moc"
