#pragma once

#include <QString>

#include <functional>

class QWidget;

// The Open dialog of the import: title "请选择文件", one filter entry
// "文本文件(*.txt)". Returns the chosen path, or an empty text on cancel. A
// name may be typed that does not exist; the import reports that itself.
QString ChooseNumberFile(QWidget *parent);

// Tests preset the answer instead of a dialog being shown; an empty hook
// restores the dialog.
using FileChooserHook = std::function<QString()>;
void SetFileChooserHook(FileChooserHook hook);
