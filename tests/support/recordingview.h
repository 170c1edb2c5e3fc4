#pragma once

#include "commandview.h"
#include "commandwaiter.h"
#include "resultlistmodel.h"

#include <QByteArray>
#include <QStringList>

inline QString Caption(const QString &text) {
    return QStringLiteral("caption: ") + text;
}
inline QString Frame1Caption(const QString &text) {
    return QStringLiteral("frame1 caption: ") + text;
}
inline QString Prompt(const QString &text) {
    return QStringLiteral("prompt: ") + text;
}
inline QString Clipboard(const QString &text) {
    return QStringLiteral("clipboard: ") + text;
}
inline QString SaveDialog() {
    return QStringLiteral("save dialog");
}
inline QString ProvinceSaveDialog() {
    return QStringLiteral("save dialog 分类导出");
}
inline QString Distinct(const QStringList &locations) {
    return QStringLiteral("distinct: ") + locations.join(QLatin1Char('|'));
}
inline QString TestNumber(int position) {
    return QStringLiteral("1380013%1").arg(8000 + position);
}

// The main window's side of a command: what it shows, in order, in `events`
// (Caption(), Prompt(), SaveDialog() … above), and what it answers ("" is a
// cancel).
class RecordingView : public CommandView {
public:
    // Rows with serials 10, 20 … (not their positions), numbers TestNumber(i).
    void Fill(const QStringList &locations);

    ResultListModel &ResultList() override { return lv; }
    QString SinglePhoneText() const override { return singlePhone; }
    void SetFrame1Caption(const QString &text) override { events << Frame1Caption(text); }
    void SetFrame2Caption(const QString &text) override { events << Caption(text); }
    QString FileNameText() const override { return fileName; }
    void SetFileNameText(const QString &text) override { fileName = text; }
    QString ChooseNumberFile() override { return dialogChoice; }
    ExportFileChoice ChooseExportFile() override;
    QString ChooseProvinceWorkbook() override;
    void Prompt(const QString &text) override { events << ::Prompt(text); }
    int SelectedRow() const override { return selectedRow; }
    void CopyToClipboard(const QString &text) override { events << Clipboard(text); }
    QString ClipboardText() const override { return clipboardText; }
    void ShowDistinctLocations(const QStringList &locations) override {
        events << Distinct(locations);
    }
    CommandWaiter &Waiter() override { return waiter; }

    ResultListModel lv;
    EventLoopWaiter waiter;
    QStringList events;
    QString singlePhone, fileName, dialogChoice, clipboardText;
    ExportFileChoice exportChoice;
    QString provinceWorkbook;
    int selectedRow = 0;
};

QByteArray ReadWholeFile(const QString &path);
// A log as Notepad reads it: UTF-16 after a byte-order mark, else the code page.
QString ReadLogText(const QString &path);
bool WriteWholeFile(const QString &path, const QByteArray &bytes);
