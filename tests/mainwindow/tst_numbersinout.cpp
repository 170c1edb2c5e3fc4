// Numbers in and results out through the real window: pastes, drops, 去除重复号码,
// 导出结果 and 分类导出 with their Save dialogs. Workbooks written to
// TARVIO_EXPORT_DIR carry a note for check_export.py.
#include "answerformat.h"
#include "filedialog.h"
#include "loopbackserver.h"
#include "mainwindow.h"
#include "programdirectory.h"
#include "prompt.h"
#include "recordingview.h"
#include "resultlistmodel.h"
#include "resultlistview.h"
#include "resultxlsx.h"
#include "testworkbooks.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {
const QString kSpreadsheetColumn = u"手机号码\r\n13800138000\r\n13900139000\r\n13700137000\r\n"_s;

QStringList Numbers(const ResultListModel &lv) {
    QStringList numbers;
    for (int i = 1; i <= lv.Count(); ++i)
        numbers.append(lv.Number(i));
    return numbers;
}

// For check_export.py: the workbook holds the CSV's rows, so many a sheet.
void NoteForCheck(const QString &workbook, const QString &csv, bool byProvince,
                  qsizetype rowsPerSheet) {
    const QString note = u"{\"csv\": \"%1\", \"byProvince\": %2, \"rowsPerSheet\": %3}\n"_s
                             .arg(QFileInfo(csv).fileName(), byProvince ? u"true"_s : u"false"_s)
                             .arg(rowsPerSheet);
    QVERIFY(WriteWholeFile(workbook.chopped(5) + u".json"_s, note.toUtf8()));
}

QString ExportFolder(const QTemporaryDir &dir) {
    const QString folder = qEnvironmentVariable("TARVIO_EXPORT_DIR");
    return folder.isEmpty() ? dir.filePath(u"exported"_s) : folder;
}

// Calls `act` with the modal widget that opens next.
void WithNextModal(std::function<void(QWidget *)> act) {
    QTimer::singleShot(0, [act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            WithNextModal(act);
            return;
        }
        act(modal);
    });
}
} // namespace

class TestNumbersInOut : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void pasteAndRemoveRepeats();
    void dropOnTheWindow_data();
    void dropOnTheWindow();
    void exportAfterABatch();
    void manyRowsOverSheets();
    void saveDialogsAddTheExtensionAndAskBeforeReplacing();

private:
    QLineEdit *NumberBox() const { return m_window->findChild<QLineEdit *>(u"SinglePhone"_s); }
    QAction *Action(const char *name) const {
        return m_window->findChild<QAction *>(QLatin1String(name));
    }

    QTemporaryDir m_dir;
    LoopbackServer *m_server = nullptr;
    MainWindow *m_window = nullptr;
};

void TestNumbersInOut::init() {
    QVERIFY(m_dir.isValid());
    SetProgramDirectory(m_dir.path());
    MessageBox::AnswerOkUnseen();
    m_server = new LoopbackServer;
    QVERIFY(m_server->Start());
    m_window = new MainWindow(m_server->HostAndPort(), 3000);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestNumbersInOut::cleanup() {
    delete m_window;
    delete m_server;
    MessageBox::Reset();
    FileDialog::Reset();
    SheetRowLimit::Reset();
    SetProgramDirectory(QString());
}

// Ctrl+V pastes into the list, but not in the number box.
void TestNumbersInOut::pasteAndRemoveRepeats() {
    QGuiApplication::clipboard()->setText(u"13600136000"_s);
    QTest::keyClick(NumberBox(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(NumberBox()->text(), u"13600136000"_s);
    QCOMPARE(m_window->ListModel()->Count(), 0);

    // A column copied from a spreadsheet, header and all.
    QGuiApplication::clipboard()->setText(kSpreadsheetColumn);
    m_window->ListView()->setFocus();
    QTest::keyClick(m_window->ListView(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Numbers(*m_window->ListModel()),
             (QStringList{u"13800138000"_s, u"13900139000"_s, u"13700137000"_s}));
    QCOMPARE(m_window->Frame2Box()->title(), u"共导入3条号码，无效号码0条"_s);

    // 粘贴号码 replaces the list; 去除重复号码 sees one number written two ways.
    QGuiApplication::clipboard()->setText(
        u"姓名\t手机\r\n甲\t+86 138 0013 8000\r\n乙\t139-0013-9000\r\n丙\t13800138000\r\n"_s);
    Action("PastePhone")->trigger();
    QCOMPARE(m_window->Frame2Box()->title(), u"共导入3条号码，无效号码0条"_s);
    Action("RemoveRepeats")->trigger();
    QCOMPARE(m_window->Frame2Box()->title(), u"已去除重复号码1条，剩余2条"_s);
    QCOMPARE(Numbers(*m_window->ListModel()), (QStringList{u"13800138000"_s, u"13900139000"_s}));
    QCOMPARE(m_window->ListModel()->Text(2), u"2"_s);
    QCOMPARE(NumberBox()->text(), u"13600136000"_s);
    QCOMPARE(MessageBox::Texts(), QStringList());
}

void TestNumbersInOut::dropOnTheWindow_data() {
    QTest::addColumn<QString>("on"); // the widget it is dropped on
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("offered");
    QTest::addColumn<int>("rows"); // -1: refused with a prompt, 0: taken not; the list as it was
    const int both = int(Qt::CopyAction | Qt::MoveAction);
    // Only the .csv file is read by its cells: "x,13900139000" counts there.
    QTest::newRow(".txt on the list") << u"lv"_s << QStringList{u"号码.txt"_s} << both << 1;
    QTest::newRow(".csv on a button") << u"batch"_s << QStringList{u"号码.csv"_s} << both << 2;
    QTest::newRow(".txt on the number box")
        << u"SinglePhone"_s << QStringList{u"号码.txt"_s} << both << 1;
    QTest::newRow(".xlsx on the list") << u"lv"_s << QStringList{u"客户名单.xlsx"_s} << both << 200;
    QTest::newRow(".xls on a button")
        << u"batch"_s << QStringList{u"客户名单.xls"_s} << both << 200;
    QTest::newRow("a Word document") << u"lv"_s << QStringList{u"号码.docx"_s} << both << -1;
    QTest::newRow("two files") << u"lv"_s << QStringList{u"a.txt"_s, u"b.txt"_s} << both << -1;
    // A file offered only to be moved is not taken: the source would delete it.
    QTest::newRow("move only") << u"lv"_s << QStringList{u"号码.txt"_s} << int(Qt::MoveAction) << 0;
}

void TestNumbersInOut::dropOnTheWindow() {
    QFETCH(QString, on);
    QFETCH(QStringList, names);
    QFETCH(int, offered);
    QFETCH(int, rows);
    QStringList paths;
    for (const QString &name : names) {
        paths.append(m_dir.filePath(name));
        if (name.endsWith(u".xlsx"_s) || name.endsWith(u".xls"_s)) {
            QFile::remove(paths.last());
            QVERIFY(
                QFile::copy(TestWorkbook(u"customers."_s + name.section(u'.', 1)), paths.last()));
        } else {
            QVERIFY(WriteWholeFile(paths.last(), "13800138000\r\nx,13900139000\r\n"));
        }
    }
    m_window->ListModel()->AppendRows({{u"1"_s, u"13000130000"_s, {}}});
    NumberBox()->setText(u"139"_s);

    QWidget *target =
        on == u"lv"_s ? m_window->ListView()->viewport() : m_window->findChild<QWidget *>(on);
    QMimeData data; // as from a file manager, with the paths as text too
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    data.setText(paths.join(u'\n'));
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::DropActions(offered), &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &enter);
    if (enter.isAccepted()) {
        QDropEvent drop(QPointF(at), Qt::DropActions(offered), &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &drop);
        QCoreApplication::sendPostedEvents();
    }

    const QString fileName = m_window->findChild<QLineEdit *>(u"FileName"_s)->text();
    QCOMPARE(NumberBox()->text(), u"139"_s);
    if (rows > 0) {
        QCOMPARE(m_window->ListModel()->Count(), rows);
        if (rows == 200) // a workbook is the list of 200 customers
            QCOMPARE(Numbers(*m_window->ListModel()), CustomerNumbers());
        QCOMPARE(fileName, paths[0]);
        QVERIFY(MessageBox::Texts().isEmpty());
    } else {
        QCOMPARE(Numbers(*m_window->ListModel()), QStringList{u"13000130000"_s});
        QCOMPARE(fileName, QString());
        QCOMPARE(MessageBox::Texts().size(), rows < 0 ? 1 : 0);
    }
}

// The export holds every row's answer; the list and tarvio.txt stay as they were.
void TestNumbersInOut::exportAfterABatch() {
    m_server->SetHandler([](const LoopbackServer::Request &req) {
        LoopbackServer::Reply reply;
        const std::string tel = req.tel.toStdString();
        if (req.tel == u"13800138000"_s)
            reply.body =
                QByteArray::fromStdString(KnownNumberAnswer(tel, "广东", "深圳", "中国移动"));
        else if (req.tel == u"13700137000"_s)
            reply.body = QByteArray::fromStdString(
                KnownNumberAnswer(tel, "浙江", "湖州,\"南浔\"", "中国广电"));
        else
            reply.body = UnknownZoneAnswer();
        return reply;
    });
    QGuiApplication::clipboard()->setText(kSpreadsheetColumn);
    Action("PastePhone")->trigger();
    m_window->findChild<QPushButton *>(u"batch"_s)->click();
    QCOMPARE(m_window->Frame2Box()->title(), u"查询完毕，成功2条，失败1条"_s);
    const QString log = m_dir.filePath(u"tarvio.txt"_s);
    const QByteArray logBytes = ReadWholeFile(log);

    const QString folder = ExportFolder(m_dir);
    QVERIFY(QDir(folder).removeRecursively() && QDir().mkpath(folder));
    const QString workbook = folder + u"/导出结果.xlsx"_s, csv = folder + u"/导出结果.csv"_s;
    FileDialog::SetNextFileName(workbook);
    Action("ExportPhone")->trigger();
    FileDialog::SetNextFileName(csv);
    FileDialog::SetNextChosenExtension(u"csv"_s);
    Action("ExportPhone")->trigger();

    QCOMPARE(FileDialog::TimesAsked(), 2);
    QCOMPARE(MessageBox::Texts(),
             (QStringList{u"已导出3条结果到文件：\r"_s + QDir::toNativeSeparators(workbook),
                          u"已导出3条结果到文件：\r"_s + QDir::toNativeSeparators(csv)}));
    QVERIFY(ReadWholeFile(workbook).startsWith("PK\x03\x04"));
    QCOMPARE(ReadWholeFile(csv),
             QByteArray("\xEF\xBB\xBF"
                        "序号,手机号码,省份,城市,运营商\r\n"
                        "1,13800138000,广东,深圳,中国移动\r\n"
                        "2,13900139000,,,\r\n"
                        "3,13700137000,浙江,\"湖州,\"\"南浔\"\"\",中国广电\r\n"));
    NoteForCheck(workbook, csv, false, SheetRowLimit::kExcel);

    // The same rows on sheets of two, and by province.
    SheetRowLimit::Set(2);
    const QString inSheets = folder + u"/分页.xlsx"_s, byProvince = folder + u"/分类导出.xlsx"_s;
    FileDialog::SetNextFileName(inSheets);
    FileDialog::SetNextChosenExtension(u"xlsx"_s);
    Action("ExportPhone")->trigger();
    FileDialog::SetNextFileName(byProvince);
    Action("ProvinceExport")->trigger();
    QCOMPARE(
        MessageBox::Texts().mid(2),
        (QStringList{u"已导出3条结果到文件：\r"_s + QDir::toNativeSeparators(inSheets) +
                         u"\r一个工作表最多放2条，结果分在2个工作表中：查询结果、查询结果 (2)"_s,
                     u"已分类导出3条结果到文件：\r"_s + QDir::toNativeSeparators(byProvince) +
                         u"\r按省份分为3个工作表：广东、浙江、未查到"_s}));
    NoteForCheck(inSheets, csv, false, 2);
    NoteForCheck(byProvince, csv, true, 2);

    QCOMPARE(ReadWholeFile(log), logBytes);
    const ResultListModel &lv = *m_window->ListModel();
    QCOMPARE((QStringList{lv.Location(1), lv.Location(2), lv.Location(3)}),
             (QStringList{u"广东 移动"_s, u""_s, u"浙江 广电"_s}));
}

// Thousands of rows on sheets of a thousand (bench_export writes a million).
void TestNumbersInOut::manyRowsOverSheets() {
    const QStringList provinces{u"广东"_s, u"北京"_s, u"浙江"_s, u"上海"_s, u""_s};
    QList<ResultRow> rows;
    for (int i = 0; i < 4'321; ++i) {
        const QString &province = provinces[(i * i + i / 7) % provinces.size()];
        ResultRow row{QString::number(i + 1), u"1%1"_s.arg(3800000000LL + i * 7919LL), {}, {}};
        row.query = RowQuery::Answered;
        if (!province.isEmpty()) {
            row.location = province + u" 移动"_s;
            row.answer = {province, province + u"市"_s, u"中国移动"_s};
        }
        rows.append(row);
    }
    m_window->ListModel()->AppendRows(rows);
    SheetRowLimit::Set(1'000);
    const QString folder = ExportFolder(m_dir);
    QVERIFY(QDir().mkpath(folder));
    const QString workbook = folder + u"/多页.xlsx"_s, csv = folder + u"/多页.csv"_s,
                  byProvince = folder + u"/多页分类.xlsx"_s;
    FileDialog::SetNextFileName(workbook);
    Action("ExportPhone")->trigger();
    FileDialog::SetNextFileName(csv);
    FileDialog::SetNextChosenExtension(u"csv"_s);
    Action("ExportPhone")->trigger();
    FileDialog::SetNextFileName(byProvince);
    Action("ProvinceExport")->trigger();
    QCOMPARE(MessageBox::Texts().size(), 3);
    QVERIFY2(
        MessageBox::Texts()[0].endsWith(
            u"结果分在5个工作表中：查询结果、查询结果 (2)、查询结果 (3)、查询结果 (4)、查询结果 (5)"_s),
        qPrintable(MessageBox::Texts()[0]));
    QVERIFY2(MessageBox::Texts()[2].startsWith(u"已分类导出4321条结果到文件："_s),
             qPrintable(MessageBox::Texts()[2]));
    NoteForCheck(workbook, csv, false, 1'000);
    NoteForCheck(byProvince, csv, true, 1'000);
}

// The real Save dialogs add the chosen entry's extension and ask before replacing.
void TestNumbersInOut::saveDialogsAddTheExtensionAndAskBeforeReplacing() {
    const QString existing = m_dir.filePath(u"结果.csv"_s);
    QVERIFY(WriteWholeFile(existing, "earlier"));
    QString selected;
    bool asked = false;
    WithNextModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        selected = dialog->selectedNameFilter(); // title and entries: tst_chinesetexts
        dialog->setDirectory(m_dir.path());
        dialog->selectNameFilter(dialog->nameFilters().at(1));
        dialog->selectFile(u"结果"_s);
        // The question about 结果.csv: "no" keeps the dialog open, "yes" ends it.
        WithNextModal([&, dialog](QWidget *question) {
            auto *box = qobject_cast<QMessageBox *>(question);
            QVERIFY(box);
            asked = box->text().contains(u"结果.csv"_s);
            box->button(QMessageBox::No)->click();
            QTimer::singleShot(0, dialog, [&, dialog] {
                QVERIFY(dialog->isVisible());
                WithNextModal([](QWidget *again) {
                    qobject_cast<QMessageBox *>(again)->button(QMessageBox::Yes)->click();
                });
                QMetaObject::invokeMethod(dialog, "accept");
            });
        });
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const FileDialog::ExportChoice choice = FileDialog::ChooseExportFile(m_window);
    QCOMPARE(selected, u"Excel 工作簿(*.xlsx)"_s);
    QVERIFY(asked);
    QCOMPARE(QFileInfo(choice.path), QFileInfo(existing));
    QCOMPARE(choice.chosenExtension, u"csv"_s);
    QCOMPARE(ReadWholeFile(existing), QByteArray("earlier")); // the dialog writes nothing

    // 分类导出's dialog takes a workbook alone.
    WithNextModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        dialog->setDirectory(m_dir.path());
        dialog->selectFile(u"按省份"_s);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const QString chosen = FileDialog::ChooseProvinceWorkbook(m_window);
    QCOMPARE(QFileInfo(chosen), QFileInfo(m_dir.filePath(u"按省份.xlsx"_s)));
}

QTEST_MAIN(TestNumbersInOut)
#include "tst_numbersinout.moc"
