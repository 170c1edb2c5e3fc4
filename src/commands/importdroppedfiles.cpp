#include "importdroppedfiles.h"

#include "commandview.h"
#include "importnumberlist.h"

#include <QDir>
#include <QFileInfo>

void ImportDroppedFiles(CommandView &view, const QStringList &paths) {
    if (paths.size() != 1) {
        view.Prompt(QStringLiteral("一次只能拖入一个文件！"));
        return;
    }
    const QString &path = paths.first();
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    if (info.isDir() || (suffix != QLatin1String("txt") && suffix != QLatin1String("csv"))) {
        view.Prompt(QStringLiteral("只能导入文本文件(*.txt)或 CSV 文件(*.csv)：") +
                    QLatin1Char('\r') + QDir::toNativeSeparators(path));
        return;
    }
    ImportNumberFile(view, path);
}
