#include "exportbyprovince.h"

#include "commandview.h"
#include "commandwaiter.h"
#include "exportmessage.h"
#include "listrows.h"
#include "resultlistmodel.h"
#include "resultxlsx.h"

#include <QHash>

#include <algorithm>

namespace {
const QString kNotFound = QStringLiteral("未查到");
const QString kUnknown = QStringLiteral("未知");

bool AnyLooked(const ResultListModel &lv) {
    for (int position = 1; position <= lv.Count(); ++position) {
        if (!lv.Location(position).isEmpty() || lv.Query(position) != RowQuery::NotAsked)
            return true;
    }
    return false;
}

} // namespace

QList<SheetRows> ProvinceSheets(const ResultListModel &lv) {
    QList<SheetRows> sheets;
    QHash<QString, qsizetype> sheetOf;
    SheetRows notFound{kNotFound, {}, true};
    for (int position = 1; position <= lv.Count(); ++position) {
        if (lv.Location(position).isEmpty()) {
            notFound.indexes.append(position - 1);
            continue;
        }
        const QString province = lv.Answer(position).province;
        const QString &name = province.isEmpty() ? kUnknown : province;
        const auto found = sheetOf.constFind(name);
        if (found != sheetOf.cend()) {
            sheets[*found].indexes.append(position - 1);
        } else {
            sheetOf.insert(name, sheets.size());
            sheets.append({name, {position - 1}});
        }
    }
    std::stable_sort(sheets.begin(), sheets.end(), [](const SheetRows &a, const SheetRows &b) {
        return a.indexes.size() != b.indexes.size() ? a.indexes.size() > b.indexes.size()
                                                    : a.name < b.name;
    });
    if (!notFound.indexes.isEmpty())
        sheets.append(std::move(notFound));
    return sheets;
}

void ExportByProvince(CommandView &view) {
    const ResultListModel &lv = view.ResultList();
    if (lv.Count() == 0) {
        view.Prompt(QStringLiteral("你还没有导入号码呢！"));
        return;
    }
    if (!AnyLooked(lv)) {
        view.Prompt(QStringLiteral("你还没有查询呢！"));
        return;
    }
    const QString path = view.ChooseProvinceWorkbook();
    if (path.isEmpty())
        return;

    const ResultRows rows = RowsOfList(lv);
    CommandWaiter &waiter = view.Waiter();
    const ShouldStop shouldStop = [&waiter] {
        return waiter.StopAsked();
    };
    ExportOutcome outcome;
    RunOffThread(waiter,
                 [&] { outcome = WriteResultsXlsx(path, rows, ProvinceSheets(lv), shouldStop); });
    view.Prompt(ExportMessage(path, rows.count, outcome, QStringLiteral("已分类导出"),
                              QStringLiteral("按省份分为%1个工作表：")));
}
