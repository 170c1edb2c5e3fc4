#pragma once

#include <QString>

#include <functional>

class QWidget;

class FileDialog {
public:
    // The Open dialog of the import: title "请选择文件", one filter entry
    // "文本文件(*.txt)". Returns the chosen path, or an empty text on cancel.
    // A name may be typed that does not exist; the import reports that itself.
    static QString ChooseNumberFile(QWidget *parent);

    // Lets a test choose in the user's place: from now on every Open dialog
    // answers path ("" is a cancel) without being shown. When whileShown is
    // given, the dialog first runs an event loop of its own, as the real
    // modal dialog does, and calls it there. TimesAsked() counts the dialogs
    // answered so. Reset() brings the real dialog back; tests call it in
    // cleanup(), so that a failed check leaves nothing behind for the next
    // test.
    static void SetNextFileName(const QString &path, std::function<void()> whileShown = {});
    static int TimesAsked();
    static void Reset();
};
