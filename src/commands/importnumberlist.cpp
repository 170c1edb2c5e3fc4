#include "importnumberlist.h"

#include "commandview.h"
#include "commandwaiter.h"
#include "importedrows.h"
#include "numberlistreader.h"
#include "resultlistmodel.h"
#include "workbookreader.h"

#include <QDir>
#include <QFileInfo>

namespace {
// What the user is told of a workbook that gives no numbers, the file's
// path on a line of its own after it.
QString FaultText(WorkbookFault fault) {
    switch (fault) {
    case WorkbookFault::CannotOpen:
        return QStringLiteral("无法打开文件：");
    case WorkbookFault::Encrypted:
        return QStringLiteral("文件已加密，无法读取。请在 Excel 中取消密码并保存后再导入：");
    case WorkbookFault::Damaged:
        return QStringLiteral("文件不完整或已损坏，无法读取：");
    case WorkbookFault::NotAWorkbook:
        return QStringLiteral("文件不是 Excel 工作簿，无法读取：");
    case WorkbookFault::TooLarge:
        return QStringLiteral(
            "文件中的工作表太大，超出了能导入的范围（一个工作表最多 1048576 行）：");
    case WorkbookFault::NoNumbers:
        return QStringLiteral("工作簿中没有找到手机号码：");
    case WorkbookFault::None:
    case WorkbookFault::Stopped:
        break;
    }
    return QString();
}

// What reading the file gave, off the window's thread.
struct ReadResult {
    std::optional<NumberList> list;
    WorkbookFault fault = WorkbookFault::None;
};

ReadResult ReadFile(const QString &path, const std::function<bool()> &stopAsked) {
    if (IsWorkbookName(path)) {
        WorkbookNumbers workbook = ReadWorkbook(path, IsImportedNumber, stopAsked);
        if (workbook.fault != WorkbookFault::None)
            return {std::nullopt, workbook.fault};
        return {std::move(workbook.list), WorkbookFault::None};
    }
    const NumberLines rule =
        QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0
            ? NumberLines::FirstNumberCell
            : NumberLines::WholeLine;
    std::optional<NumberList> list = ReadNumberList(path, rule, IsImportedNumber);
    return {std::move(list), list ? WorkbookFault::None : WorkbookFault::CannotOpen};
}

// Reads the file that FileName names, as the import does once it has one.
// The reading goes on off the window's thread, which stays in its event
// loop meanwhile (a million-row workbook takes seconds); the rows are made
// on the window's thread once it is done.
void ImportFileNamed(CommandView &view) {
    const QString path = view.FileNameText();
    if (path.isEmpty())
        return;

    view.SetFrame2Caption(QStringLiteral("正在导入手机号码，请稍后……"));
    CommandWaiter &waiter = view.Waiter();
    ReadResult result;
    RunOffThread(waiter, [&] { result = ReadFile(path, [&] { return waiter.StopAsked(); }); });
    if (result.fault == WorkbookFault::Stopped || waiter.StopAsked()) {
        view.SetFrame2Caption(QStringLiteral("导入已停止"));
        return;
    }
    if (!result.list) {
        // The caption must not go on saying that an import is under way; a
        // workbook without numbers was read whole, and says so in its counts.
        view.SetFrame2Caption(result.fault == WorkbookFault::NoNumbers
                                  ? QStringLiteral("共导入0条号码，无效号码0条")
                                  : QString());
        view.Prompt(FaultText(result.fault) + QLatin1Char('\r') + QDir::toNativeSeparators(path));
        return;
    }
    ShowImportedNumbers(view, std::move(*result.list));
}
} // namespace

void ImportNumberList(CommandView &view) {
    // The list is emptied before the dialog, so it is empty even after a cancel.
    view.ResultList().Clear();
    view.SetFileNameText(view.ChooseNumberFile());
    ImportFileNamed(view);
}

void ImportNumberFile(CommandView &view, const QString &path) {
    view.ResultList().Clear();
    view.SetFileNameText(path);
    ImportFileNamed(view);
}
