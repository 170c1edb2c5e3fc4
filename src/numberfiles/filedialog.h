#pragma once

#include <QString>

#include <functional>

class QWidget;

class FileDialog {
public:
    // The Open dialog of the import: title "请选择文件", the filter entries
    // "文本文件(*.txt)", "CSV 文件(*.csv)" and "Excel 工作簿(*.xlsx *.xls)". Returns the chosen
    // path, or an empty text on cancel. A name may be typed that does not exist; the import reports
    // that itself.
    static QString ChooseNumberFile(QWidget *parent);

    // What the Save dialog of the export gave: the path, empty on cancel,
    // and the extension of the filter entry chosen in it, "xlsx" or "csv".
    struct ExportChoice {
        QString path;
        QString chosenExtension;
    };
    // The Save dialog of the export: title "导出结果", the entries
    // "Excel 工作簿(*.xlsx)" (chosen at first) and "CSV 文件(*.csv)". A name
    // typed without an extension gets the chosen entry's before the dialog
    // asks whether an existing file is to be replaced, so that the question
    // is always about the file that will be written.
    static ExportChoice ChooseExportFile(QWidget *parent);

    // The Save dialog of 分类导出: title "分类导出", the one entry
    // "Excel 工作簿(*.xlsx)", whose extension a name typed without one gets
    // before the dialog asks whether an existing file is to be replaced.
    // Returns the path, or an empty text on cancel.
    static QString ChooseProvinceWorkbook(QWidget *parent);

    // Lets a test choose in the user's place: from now on every file dialog
    // answers path ("" is a cancel) without being shown; a Save dialog
    // answers the entry of SetNextChosenExtension(), "xlsx" unless told. When
    // whileShown is given, the dialog first runs an event loop of its own, as
    // the real modal dialog does, and calls it there. TimesAsked() counts the
    // dialogs answered so. Reset() brings the real dialog back; tests call it
    // in cleanup(), so that a failed check leaves nothing behind for the next
    // test.
    static void SetNextFileName(const QString &path, std::function<void()> whileShown = {});
    static void SetNextChosenExtension(const QString &extension);
    static int TimesAsked();
    static void Reset();
};
