#include "importnumberlist.h"

#include "commandview.h"
#include "numberlistreader.h"
#include "numerictext.h"
#include "resultlistmodel.h"

#include <QDir>

void ImportNumberList(CommandView &view) {
    ResultListModel &lv = view.ResultList();
    // The list is emptied before the dialog, so it is empty even after a cancel.
    lv.Clear();
    view.SetFileNameText(view.ChooseNumberFile());
    const QString path = view.FileNameText();
    if (path.isEmpty())
        return;

    view.SetFrame2Caption(QStringLiteral("正在导入手机号码，请稍后……"));
    std::optional<NumberList> list = ReadNumberList(path, IsMobileNumber);
    if (!list) {
        // The caption must not go on saying that an import is under way.
        view.SetFrame2Caption(QString());
        view.Prompt(QStringLiteral("无法打开文件：") + QDir::toNativeSeparators(path));
        return;
    }

    // Serials run 1, 2, 3 … over the valid lines; an invalid line uses none.
    QList<ResultRow> rows;
    rows.reserve(list->kept.size());
    for (QString &number : list->kept)
        rows.append(ResultRow{QString::number(rows.size() + 1), std::move(number), QString(), {}});
    lv.AppendRows(std::move(rows));
    const qint64 imported = lv.Count();
    const qint64 invalid = list->lineCount - imported;
    view.SetFrame2Caption(QStringLiteral("共导入") + QString::number(imported) +
                          QStringLiteral("条号码，无效号码") + QString::number(invalid) +
                          QStringLiteral("条"));
}
