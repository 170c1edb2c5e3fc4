#include "importdroppedfiles.h"

#include "commandview.h"
#include "importnumberlist.h"

#include <QDir>
#include <QFileInfo>

namespace {
// The types the Open dialog offers.
bool IsNumberFileType(const QString &suffix) {
    for (const QLatin1String type : {QLatin1String("txt"), QLatin1String("csv"),
                                     QLatin1String("xlsx"), QLatin1String("xls")}) {
        if (suffix.compare(type, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
} // namespace

void ImportDroppedFiles(CommandView &view, const QStringList &paths) {
    if (paths.size() != 1) {
        view.Prompt(QStringLiteral("一次只能拖入一个文件！"));
        return;
    }
    const QString &path = paths.first();
    const QFileInfo info(path);
    if (info.isDir() || !IsNumberFileType(info.suffix())) {
        view.Prompt(QStringLiteral(
                        "只能导入文本文件(*.txt)、CSV 文件(*.csv)或 Excel 工作簿(*.xlsx *.xls)：") +
                    QLatin1Char('\r') + QDir::toNativeSeparators(path));
        return;
    }
    ImportNumberFile(view, path);
}
