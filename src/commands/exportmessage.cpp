#include "exportmessage.h"

#include <QDir>

namespace {
// So many sheets are named in the message at most: a message box is no list.
constexpr qsizetype kNamesShown = 36;

QString SheetList(const QStringList &sheets) {
    if (sheets.size() <= kNamesShown)
        return sheets.join(QStringLiteral("、"));
    return sheets.first(kNamesShown).join(QStringLiteral("、")) + QStringLiteral("……");
}

QString Cause(const ExportOutcome &outcome) {
    const QString folder = outcome.folder;
    switch (outcome.problem) {
    case WriteProblem::None:
    case WriteProblem::Stopped:
        break;
    case WriteProblem::DiskFull:
        return outcome.inTemporaryFolder
                   ? QStringLiteral(
                         "磁盘已满：临时文件夹 %1 所在的磁盘没有足够的空间，文件未导出！")
                         .arg(folder)
                   : QStringLiteral("磁盘已满：文件夹 %1 所在的磁盘没有足够的空间，文件未导出！")
                         .arg(folder);
    case WriteProblem::FolderMissing:
        return QStringLiteral("文件夹 %1 不存在，文件未导出！").arg(folder);
    case WriteProblem::FolderNotWritable:
        return outcome.inTemporaryFolder
                   ? QStringLiteral("临时文件夹 %1 不可写，文件未导出！").arg(folder)
                   : QStringLiteral("文件夹 %1 不可写，文件未导出！").arg(folder);
    case WriteProblem::TargetIsFolder:
        return QStringLiteral("已有同名的文件夹，文件未导出！");
    case WriteProblem::TargetReadOnly:
        return QStringLiteral("原有的文件是只读的，不能替换，文件未导出！");
    case WriteProblem::TargetInUse:
        return QStringLiteral("文件正被其他程序（如 Excel）打开，请关闭后再导出！");
    case WriteProblem::OutOfMemory:
        return QStringLiteral("内存不足，文件未导出！");
    case WriteProblem::Other:
        break;
    }
    if (outcome.detail.isEmpty())
        return QStringLiteral("写入时出错，文件未导出！");
    return QStringLiteral("写入时出错（%1），文件未导出！").arg(outcome.detail);
}
} // namespace

QString ExportMessage(const QString &path, qsizetype rows, const ExportOutcome &outcome,
                      const QString &done, const QString &sheets) {
    const QString shown = QDir::toNativeSeparators(path);
    const QChar line(u'\r');
    if (outcome.problem == WriteProblem::Stopped)
        return QStringLiteral("导出已停止，文件未导出：") + line + shown;
    if (!outcome.Written())
        return QStringLiteral("无法导出文件：") + shown + line + Cause(outcome);
    QString text = done + QString::number(rows) + QStringLiteral("条结果到文件：") + line + shown;
    if (outcome.sheets.size() > 1)
        text += line + sheets.arg(outcome.sheets.size()) + SheetList(outcome.sheets);
    return text;
}
