// The rule the built-in data are made by (builtinmerge.h), on small sources.
#include "builtinmerge.h"
#include "carrierprefixes.h"
#include "cityname.h"

#include <QtTest>

#include <map>

using namespace Qt::StringLiterals;

namespace {

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The geocoder as libphonenumber writes: full city names.
Region Geocoded(uint32_t block) {
    static const std::map<uint32_t, Region> known{
        {1380000, {"北京", "北京"}},   {1390000, {"吉林", "延边朝鲜族自治州"}},
        {1840000, {"四川", "成都市"}}, {1850000, {"湖北", "襄樊市"}},
        {1400000, {"北京", "北京"}},
    };
    const auto found = known.find(block);
    return found == known.end() ? Region{} : found->second;
}

QString Merged(const BuiltinMerge &merge, uint32_t block) {
    for (const MergedBlock &b : merge.blocks) {
        if (b.block == block)
            return Utf8(b.region.province + " " + b.region.city + " ") + Utf8(b.carrier);
    }
    return {};
}

} // namespace

class TestBuiltinMerge : public QObject {
    Q_OBJECT

private slots:
    void merge_data() {
        QTest::addColumn<uint32_t>("block");
        QTest::addColumn<QString>("row"); // "province,city,label"; empty: no row
        QTest::addColumn<QString>("merged");
        QTest::addColumn<QString>("counted"); // the change counted for its prefix
        const auto row = [](const char *tag, uint32_t block, const char *tableRow,
                            const char *merged, const char *counted) {
            QTest::newRow(tag) << block << QString::fromUtf8(tableRow) << QString::fromUtf8(merged)
                               << QString::fromUtf8(counted);
        };
        row("the table wins", 1380000, "上海,上海,中国移动", "上海 上海 中国移动", "table");
        row("the geocoder fills a gap", 1840000, "", "四川 成都 中国移动", "geocoder");
        row("the geocoder's names in the one style", 1390000, "", "吉林 延边 中国移动", "geocoder");
        row("an abolished name from the geocoder", 1850000, "", "湖北 襄阳 中国联通", "geocoder");
        row("neither knows it", 1860000, "", "", "");
        row("a table row that cannot be used", 1840000, "四川,成'都,中国移动", "四川 成都 中国移动",
            "refused");
        row("full province", 1380000, "广东省,广州,中国移动", "广东 广州 中国移动", "table");
        row("no city", 1380000, "广东省,,中国移动", "广东 广东 中国移动", "table");
        row("city renamed", 1380000, "重庆,万州,中国移动", "重庆 重庆 中国移动", "renamed");
        row("virtual mark dropped, not overruled", 1703000, "上海,上海,中国移动虚拟",
            "上海 上海 中国移动", "table");
        row("1349 is China Telecom's", 1349000, "北京,北京,中国移动虚拟", "北京 北京 中国电信",
            "overruled");
        row("1707 is China Unicom's", 1707000, "广东,广州,中国移动虚拟", "广东 广州 中国联通",
            "overruled");
        row("unknown label", 1678000, "广东,广州,未知", "广东 广州 中国联通", "overruled");
        row("prefix allocated to nobody", 1400000, "北京,北京,中国电信", "", "not allocated");
    }
    void merge() {
        QFETCH(uint32_t, block);
        QFETCH(QString, row);
        QFETCH(QString, merged);
        QFETCH(QString, counted);
        std::vector<SourceBlock> table;
        if (!row.isEmpty()) {
            const QStringList fields = row.split(u',');
            table.push_back(
                {block, fields[0].toStdString(), fields[1].toStdString(), fields[2].toStdString()});
        }
        // A neighbour only the table has.
        table.push_back({1990000, "广东", "广州", "中国电信"});
        const BuiltinMerge merge = MergeBuiltinSegments(table, Geocoded);
        QCOMPARE(Merged(merge, block), merged);
        QCOMPARE(Merged(merge, 1990000), QStringLiteral("广东 广州 中国电信"));
        const auto prefix = merge.byPrefix.find(std::to_string(block).substr(0, 3));
        const PrefixChanges changes =
            prefix == merge.byPrefix.end() ? PrefixChanges{} : prefix->second;
        QCOMPARE(changes.fromTable,
                 size_t(counted == u"table" || counted == u"renamed" || counted == u"overruled"));
        QCOMPARE(changes.fromGeocoder, size_t(counted == u"geocoder" || counted == u"refused"));
        QCOMPARE(changes.cityRenamed, size_t(counted == u"renamed"));
        QCOMPARE(changes.carrierOverruled, size_t(counted == u"overruled"));
        QCOMPARE(changes.refused, size_t(counted == u"refused"));
        QCOMPARE(changes.notAllocated, size_t(counted == u"not allocated"));
    }

    void laterRowWinsAndBlocksComeInOrder() {
        const std::vector<SourceBlock> table{{1990002, "浙江", "杭州", "中国电信"},
                                             {1990001, "广东", "广州", "中国电信"},
                                             {1990002, "江苏", "南京", "中国电信"}};
        const BuiltinMerge merge = MergeBuiltinSegments(table, Geocoded);
        QCOMPARE(merge.blocks.size(), size_t(6)); // and four from the geocoder
        QVERIFY(std::is_sorted(
            merge.blocks.begin(), merge.blocks.end(),
            [](const MergedBlock &a, const MergedBlock &b) { return a.block < b.block; }));
        QCOMPARE(Merged(merge, 1990002), QStringLiteral("江苏 南京 中国电信"));
        QCOMPARE(merge.renamed.size(), size_t(0));
    }

    void allocation() {
        for (const QString &pair :
             u"13491234567 中国电信|13481234567 中国移动|17001234567 中国电信|17021234567 中国电信|"
             u"17031234567 中国移动|17041234567 中国联通|17051234567 中国移动|17061234567 中国移动|"
             u"17071234567 中国联通|17091234567 中国联通|16201234567 中国电信|16501234567 中国移动|"
             u"16701234567 中国联通|17401234567 中国电信|14101234567 中国电信|14401234567 中国移动|"
             u"14601234567 中国联通|14801234567 中国移动|19201234567 中国广电|19601234567 中国联通|"
             u"19701234567 中国移动|14001234567|15401234567|16001234567|16901234567|17901234567|"
             u"19401234567"_s.split(u'|')) {
            const QString number = pair.section(u' ', 0, 0);
            QCOMPARE(number + u' ' + Utf8(CarrierForNumber(number.toStdString())),
                     number + u' ' + pair.section(u' ', 1));
        }
    }

    void cityNames() {
        for (const QString &triple :
             u"广东 广州 广州|广东 广州市 广州|新疆 喀什地区 喀什|贵州 毕节地区 毕节|"
             u"内蒙古 锡林郭勒盟 锡林郭勒|湖北 神农架林区 神农架|吉林 延边朝鲜族自治州 延边|"
             u"新疆 克孜勒苏柯尔克孜自治州 克州|北京 北京 北京|重庆 万州 重庆|安徽 巢湖市 合肥|"
             u"山东 莱芜 济南|湖北 襄樊市 襄阳|湖南 吉首 湘西|新疆 库尔勒 巴州|"
             // A county-level city; too short to lose 市; 吉首 only in its own province.
             u"青海 格尔木 格尔木|湖南 津市 津市|福建 吉首 吉首"_s.split(u'|')) {
            const QStringList words = triple.split(u' ');
            QCOMPARE(words[0] + u' ' + words[1] + u' ' +
                         QString::fromStdString(
                             CityShortName(words[0].toStdString(), words[1].toStdString())),
                     triple);
        }
    }
};

QTEST_GUILESS_MAIN(TestBuiltinMerge)
#include "tst_builtinmerge.moc"
