#include "numberfiles/filedialog.h"

#include <QFileDialog>

namespace {
FileChooserHook &Hook() {
    static FileChooserHook hook;
    return hook;
}
} // namespace

void SetFileChooserHook(FileChooserHook hook) {
    Hook() = std::move(hook);
}

QString ChooseNumberFile(QWidget *parent) {
    if (Hook())
        return Hook()();
    QFileDialog dialog(parent, QStringLiteral("请选择文件"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("文本文件(*.txt)"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
