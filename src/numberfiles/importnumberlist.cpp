#include "numberfiles/importnumberlist.h"

#include "mainwindow/commandcontext.h"
#include "mainwindow/resultlistmodel.h"
#include "numberfiles/numberlistreader.h"

#include <QDir>

void ImportNumberList(const CommandContext &ctx) {
    // The list is emptied before the dialog, so it is empty even after a cancel.
    ctx.lv->Clear();
    ctx.setFileNameText(ctx.chooseNumberFile());
    const QString path = ctx.fileNameText();
    if (path.isEmpty())
        return;

    ctx.setFrame2Caption(QStringLiteral("正在导入手机号码，请稍后……"));
    std::optional<NumberList> list = ReadNumberList(path);
    if (!list) {
        // The caption must not go on saying that an import is under way.
        ctx.setFrame2Caption(QString());
        ctx.prompt(QStringLiteral("无法打开文件：") + QDir::toNativeSeparators(path));
        return;
    }

    ctx.lv->AppendRows(std::move(list->rows));
    const qint64 imported = ctx.lv->Count();
    const qint64 invalid = list->lineCount - imported;
    ctx.setFrame2Caption(QStringLiteral("共导入") + QString::number(imported) +
                         QStringLiteral("条号码，无效号码") + QString::number(invalid) +
                         QStringLiteral("条"));
}
