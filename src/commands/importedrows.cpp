#include "importedrows.h"

#include "commandview.h"
#include "numerictext.h"
#include "resultlistmodel.h"

bool IsImportedNumber(QStringView text) {
    return IsMobileNumber(text);
}

void ShowImportedNumbers(CommandView &view, NumberList list) {
    ResultListModel &lv = view.ResultList();
    // Serials run 1, 2, 3 … over the valid lines (the rows' positions in the
    // emptied list); an invalid line uses none.
    lv.AppendNumbers(list.kept);
    const qint64 imported = lv.Count();
    const qint64 invalid = list.lineCount - imported;
    view.SetFrame2Caption(QStringLiteral("共导入") + QString::number(imported) +
                          QStringLiteral("条号码，无效号码") + QString::number(invalid) +
                          QStringLiteral("条"));
}
