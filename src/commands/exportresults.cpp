#include "exportresults.h"

#include "commandview.h"
#include "resultcsv.h"
#include "resultlistmodel.h"
#include "resultxlsx.h"

#include <QDir>
#include <QFileInfo>

namespace {
QList<ResultRecord> RecordsOf(const ResultListModel &lv) {
    QList<ResultRecord> records;
    records.reserve(lv.Count());
    for (int i = 1; i <= lv.Count(); ++i) {
        const RowAnswer &answer = lv.Answer(i);
        records.append({lv.Text(i), lv.Number(i), answer.province, answer.city, answer.carrier});
    }
    return records;
}

bool WritesCsv(const ExportFileChoice &choice) {
    const QString suffix = QFileInfo(choice.path).suffix().toLower();
    if (suffix == QLatin1String("csv") || suffix == QLatin1String("xlsx"))
        return suffix == QLatin1String("csv");
    return choice.chosenExtension == QLatin1String("csv");
}
} // namespace

void ExportResults(CommandView &view) {
    const ResultListModel &lv = view.ResultList();
    if (lv.Count() == 0) {
        view.Prompt(QStringLiteral("你还没有导入号码呢！"));
        return;
    }
    const ExportFileChoice choice = view.ChooseExportFile();
    if (choice.path.isEmpty())
        return;

    const QList<ResultRecord> records = RecordsOf(lv);
    const ExportError error = WritesCsv(choice) ? WriteResultsCsv(choice.path, records)
                                                : WriteResultsXlsx(choice.path, records);
    const QString shown = QDir::toNativeSeparators(choice.path);
    switch (error) {
    case ExportError::None:
        view.Prompt(QStringLiteral("已导出") + QString::number(records.size()) +
                    QStringLiteral("条结果到文件：") + QLatin1Char('\r') + shown);
        break;
    case ExportError::TargetNotWritable:
        view.Prompt(QStringLiteral("无法写入文件：") + shown + QLatin1Char('\r') +
                    QStringLiteral("请检查文件夹是否可写，或文件是否正被其他程序打开！"));
        break;
    case ExportError::WorkbookFailed:
        view.Prompt(QStringLiteral("无法生成文件：") + shown + QLatin1Char('\r') +
                    QStringLiteral("临时文件夹不可写，文件未导出！"));
        break;
    }
}
