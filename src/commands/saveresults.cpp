#include "saveresults.h"

#include "commandview.h"
#include "resultlistmodel.h"
#include "resultlog.h"

void SaveResults(CommandView &view) {
    const ResultListModel &lv = view.ResultList();
    if (lv.Count() == 0) {
        view.Prompt(QStringLiteral("你还没有导入号码呢！"));
        return;
    }
    // Only the top row tells: a run starts only while it is empty, so after
    // a run it is filled exactly when the run's first lookup succeeded.
    // Blanks count as a location.
    if (lv.Location(1).isEmpty()) {
        view.Prompt(QStringLiteral("你还没有查询呢！"));
        return;
    }
    // A single carriage return: the message box shows it as a line break.
    view.Prompt(QStringLiteral("手机归属地信息已保存到软件目录") + QLatin1Char('\r') +
                QStringLiteral("下 ") + kResultLogFileName + QStringLiteral(" 文件中！"));
}
