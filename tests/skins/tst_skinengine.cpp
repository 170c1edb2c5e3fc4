#include "skins/skinengine.h"
#include "skins/skinfile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <unistd.h>

Q_DECLARE_METATYPE(SkinFileStatus)

namespace {
const QByteArray kRedLabels = "/* tarvio skin: 红 (red) */\nQLabel { color: #ff0000; }\n";
const QByteArray kBlueLabels = "/* tarvio skin: 蓝 (blue) */\nQLabel { color: #0000ff; }\n";

QString WriteFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

int Attach(const QString &path) {
    return SkinH_AttachEx(path.toLocal8Bit().constData(), "");
}

bool AnyMessageBox() {
    const auto windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [](QWidget *w) { return qobject_cast<QMessageBox *>(w) != nullptr; });
}

QColor LabelColour(QLabel *label) {
    label->ensurePolished();
    label->style()->polish(label);
    return label->palette().color(QPalette::WindowText);
}
} // namespace

class TestSkinEngine : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { qApp->setStyleSheet(QString()); }

    void parse_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<SkinFileStatus>("status");
        QTest::addColumn<QString>("name");

        const QByteArray header = "/* tarvio skin: 黑色钻石 (black) */\n";
        const QByteArray rules = "QWidget { color: #000000; }\n";
        QTest::newRow("header and rules")
            << header + rules << SkinFileStatus::Ok << QStringLiteral("黑色钻石 (black)");
        QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + header + rules << SkinFileStatus::Ok
                                         << QStringLiteral("黑色钻石 (black)");
        QTest::newRow("blank lines first")
            << "\n \t\r\n" + header << SkinFileStatus::Ok << QStringLiteral("黑色钻石 (black)");
        QTest::newRow("header on several lines")
            << QByteArray("/*\n   tarvio skin: 温暖木雕\n   carved wood\n*/\n")
            << SkinFileStatus::Ok << QStringLiteral("温暖木雕\n   carved wood");
        QTest::newRow("largest allowed")
            << header + QByteArray(kMaxSkinFileBytes - header.size(), ' ') << SkinFileStatus::Ok
            << QStringLiteral("黑色钻石 (black)");

        QTest::newRow("empty") << QByteArray() << SkinFileStatus::Empty << QString();
        QTest::newRow("only blanks") << QByteArray(" \n\t\n") << SkinFileStatus::Empty << QString();
        QTest::newRow("one byte too large")
            << header + QByteArray(kMaxSkinFileBytes - header.size() + 1, ' ')
            << SkinFileStatus::TooLarge << QString();
        QTest::newRow("not UTF-8") << header + "QLabel { color: red; } /* \xB0\xD7 */"
                                   << SkinFileStatus::NotUtf8 << QString();
        QTest::newRow("style sheet without header")
            << rules << SkinFileStatus::NoHeader << QString();
        QTest::newRow("rules before header")
            << rules + header << SkinFileStatus::NoHeader << QString();
        QTest::newRow("other comment")
            << "/* some theme */\n" + rules << SkinFileStatus::NoHeader << QString();
        QTest::newRow("header never closed") << QByteArray("/* tarvio skin: 黑色钻石\nQWidget {}")
                                             << SkinFileStatus::NoHeader << QString();
        QTest::newRow("header without name")
            << "/* tarvio skin:   */\n" + rules << SkinFileStatus::NoHeader << QString();
    }
    void parse() {
        QFETCH(QByteArray, bytes);
        QFETCH(SkinFileStatus, status);
        QFETCH(QString, name);
        const SkinFile skin = ParseSkinFile(bytes);
        QCOMPARE(skin.status, status);
        QCOMPARE(skin.name, name);
        if (status == SkinFileStatus::Ok)
            QVERIFY(!skin.styleSheet.isEmpty());
        else
            QVERIFY(skin.styleSheet.isEmpty());
    }

    void readFileThatIsNotThere() {
        QTemporaryDir dir;
        QCOMPARE(ReadSkinFile(dir.filePath(QStringLiteral("none.vio"))).status,
                 SkinFileStatus::Missing);
        QCOMPARE(ReadSkinFile(QString()).status, SkinFileStatus::Missing);
        QCOMPARE(ReadSkinFile(dir.path()).status, SkinFileStatus::Unreadable);
    }

    void readFileWithoutPermission() {
        if (::geteuid() == 0)
            QSKIP("root reads every file");
        QTemporaryDir dir;
        const QString path = WriteFile(dir, QStringLiteral("locked.vio"), kRedLabels);
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        QCOMPARE(ReadSkinFile(path).status, SkinFileStatus::Unreadable);
    }

    // A refused file leaves the look as it was and tells nobody.
    void refusedFileChangesNothing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("createFile");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("no header") << QByteArray("QLabel { color: #00ff00; }") << true;
        QTest::newRow("not UTF-8") << kRedLabels + "\xFF\xFE" << true;
        QTest::newRow("too large") << kRedLabels + QByteArray(kMaxSkinFileBytes, '\n') << true;
    }
    void refusedFileChangesNothing() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, createFile);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("skin.vio"));
        if (createFile)
            QCOMPARE(WriteFile(dir, QStringLiteral("skin.vio"), bytes), path);

        const QString before = QStringLiteral("QLabel { color: #123456; }");
        qApp->setStyleSheet(before);
        QVERIFY(Attach(path) != 0);
        QCoreApplication::processEvents();
        QCOMPARE(qApp->styleSheet(), before);
        QVERIFY(!AnyMessageBox());
    }

    void nullArgumentsAreSafe() {
        QTemporaryDir dir;
        const QString path = WriteFile(dir, QStringLiteral("red.vio"), kRedLabels);
        QCOMPARE(SkinH_AttachEx(nullptr, ""), kSkinNoPath);
        QCOMPARE(qApp->styleSheet(), QString());
        // The second text is never read, so even a null one is harmless.
        QCOMPARE(SkinH_AttachEx(path.toLocal8Bit().constData(), nullptr), 0);
        QCOMPARE(qApp->styleSheet(), QString::fromUtf8(kRedLabels));
    }

    void pathInLocalEncoding() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("塔维 皮肤")));
        const QString path = WriteFile(dir, QStringLiteral("塔维 皮肤/红色.vio"), kRedLabels);
        QVERIFY(!path.isEmpty());
        QCOMPARE(Attach(path), 0);
        QCOMPARE(qApp->styleSheet(), QString::fromUtf8(kRedLabels));
    }

    // Every window wears the skin: one already open, apart from any other,
    // and one opened afterwards. The next skin replaces it in both.
    void restylesOpenAndLaterWindows() {
        QTemporaryDir dir;
        const QString red = WriteFile(dir, QStringLiteral("red.vio"), kRedLabels);
        const QString blue = WriteFile(dir, QStringLiteral("blue.vio"), kBlueLabels);

        QWidget open;
        auto *openLabel = new QLabel(QStringLiteral("  使用说明"), &open);
        (new QVBoxLayout(&open))->addWidget(openLabel);
        open.show();
        const QColor unskinned = LabelColour(openLabel);
        QVERIFY(unskinned != QColor(Qt::red));

        QCOMPARE(Attach(red), 0);
        QCOMPARE(LabelColour(openLabel), QColor(Qt::red));

        QWidget later;
        auto *laterLabel = new QLabel(QStringLiteral("  注意事项"), &later);
        later.show();
        QCOMPARE(LabelColour(laterLabel), QColor(Qt::red));

        QCOMPARE(Attach(blue), 0);
        QCOMPARE(LabelColour(openLabel), QColor(Qt::blue));
        QCOMPARE(LabelColour(laterLabel), QColor(Qt::blue));
    }
};

QTEST_MAIN(TestSkinEngine)
#include "tst_skinengine.moc"
