#include "exportresults.h"

#include "commandview.h"
#include "commandwaiter.h"
#include "exportmessage.h"
#include "listrows.h"
#include "resultcsv.h"
#include "resultlistmodel.h"
#include "resultxlsx.h"

#include <QFileInfo>

namespace {
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

    // A million rows take seconds to write: the window goes on meanwhile,
    // and Esc or closing it stops the export, the target as it was.
    const ResultRows rows = RowsOfList(lv);
    const bool csv = WritesCsv(choice);
    CommandWaiter &waiter = view.Waiter();
    const ShouldStop shouldStop = [&waiter] {
        return waiter.StopAsked();
    };
    ExportOutcome outcome;
    RunOffThread(waiter, [&] {
        outcome = csv ? WriteResultsCsv(choice.path, rows, shouldStop)
                      : WriteResultsXlsx(choice.path, rows, QStringLiteral("查询结果"), shouldStop);
    });
    view.Prompt(ExportMessage(choice.path, rows.count, outcome, QStringLiteral("已导出"),
                              QStringLiteral("一个工作表最多放") +
                                  QString::number(SheetRowLimit::Rows()) +
                                  QStringLiteral("条，结果分在%1个工作表中：")));
}
