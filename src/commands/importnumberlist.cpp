#include "importnumberlist.h"

#include "commandview.h"
#include "importedrows.h"
#include "numberlistreader.h"
#include "resultlistmodel.h"

#include <QDir>
#include <QFileInfo>

namespace {
// Reads the file that FileName names, as the import does once it has one.
void ImportFileNamed(CommandView &view) {
    const QString path = view.FileNameText();
    if (path.isEmpty())
        return;

    view.SetFrame2Caption(QStringLiteral("正在导入手机号码，请稍后……"));
    const NumberLines rule =
        QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0
            ? NumberLines::FirstNumberCell
            : NumberLines::WholeLine;
    std::optional<NumberList> list = ReadNumberList(path, rule, IsImportedNumber);
    if (!list) {
        // The caption must not go on saying that an import is under way.
        view.SetFrame2Caption(QString());
        view.Prompt(QStringLiteral("无法打开文件：") + QDir::toNativeSeparators(path));
        return;
    }
    ShowImportedNumbers(view, std::move(*list));
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
