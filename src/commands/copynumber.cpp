#include "copynumber.h"

#include "commandview.h"
#include "resultlistmodel.h"

void CopyNumber(CommandView &view) {
    const int row = view.SelectedRow();
    if (row == 0)
        return;
    const QString number = view.ResultList().Number(row);
    view.CopyToClipboard(number);
    view.Prompt(QStringLiteral("手机号") + number + QStringLiteral("已复制到剪切板！"));
}
