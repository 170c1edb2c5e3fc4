#pragma once

#include <QString>
#include <QStringList>

class CommandWaiter;
class ResultListModel;

// What the export's Save dialog gave: the path, empty on cancel, and the
// extension of the filter entry chosen in it ("xlsx" or "csv").
struct ExportFileChoice {
    QString path;
    QString chosenExtension;
};

// What the commands of the main window see of it: the result list and its
// selection, the number box, the two status captions, the file name box, the
// Open and Save dialogs, the message box, the clipboard and the list of
// distinct locations, in the window's own terms and without widgets, so
// that each command can be read and tested on its own. The main window
// implements it with its controls; a test implements it by recording.
class CommandView {
public:
    virtual ~CommandView() = default;

    // The list the commands fill and read (lv).
    virtual ResultListModel &ResultList() = 0;
    // The text of SinglePhone.
    virtual QString SinglePhoneText() const = 0;
    // Status line of the single query.
    virtual void SetFrame1Caption(const QString &text) = 0;
    // Status line of import and batch.
    virtual void SetFrame2Caption(const QString &text) = 0;
    // The text of FileName.
    virtual QString FileNameText() const = 0;
    virtual void SetFileNameText(const QString &text) = 0;
    // The Open dialog of the import; an empty text on cancel.
    virtual QString ChooseNumberFile() = 0;
    // The Save dialog of the export, which has asked before a file is replaced.
    virtual ExportFileChoice ChooseExportFile() = 0;
    // The Save dialog of 分类导出 (a workbook), which has asked before a file
    // is replaced; an empty text on cancel.
    virtual QString ChooseProvinceWorkbook() = 0;
    // A message box; returns once the user has closed it.
    virtual void Prompt(const QString &text) = 0;
    // The selected row of the list, 1 for the top one; 0 when none is.
    virtual int SelectedRow() const = 0;
    // Empties the clipboard, then puts the text on it, as plain text.
    virtual void CopyToClipboard(const QString &text) = 0;
    // The clipboard's plain text; empty when it holds none (an image, nothing).
    virtual QString ClipboardText() const = 0;
    // Shows the distinct locations the filter found, in a list of their own.
    virtual void ShowDistinctLocations(const QStringList &locations) = 0;
    // How the command waits for work done elsewhere (commandwaiter.h, in
    // src/base): the window stays in its event loop meanwhile, and Esc, the
    // close box and 退出 ask the command to stop.
    virtual CommandWaiter &Waiter() = 0;

protected:
    CommandView() = default;
    CommandView(const CommandView &) = default;
    CommandView &operator=(const CommandView &) = default;
};
