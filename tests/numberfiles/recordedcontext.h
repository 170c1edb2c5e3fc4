#pragma once

#include "mainwindow/commandcontext.h"
#include "mainwindow/resultlistmodel.h"

#include <QByteArray>
#include <QStringList>

// The main window's side of a command, recorded: every caption of Frame2 and
// every message in the order they came (see Caption() and Prompt()), plus
// FileName and the answer the Open dialog is to give ("" is a cancel).
struct RecordedContext {
    explicit RecordedContext(LookupClient *client = nullptr);
    // Rows with serials 10, 20 … (so that they differ from positions),
    // numbers TestNumber(1), TestNumber(2) … and these locations.
    void fill(const QStringList &locations);

    CommandContext context;
    ResultListModel lv;
    QStringList events;
    QString fileName, dialogChoice;
};

inline QString Caption(const QString &text) {
    return QStringLiteral("caption: ") + text;
}
inline QString Prompt(const QString &text) {
    return QStringLiteral("prompt: ") + text;
}
inline QString TestNumber(int position) {
    return QStringLiteral("1380013%1").arg(8000 + position);
}

QByteArray ReadWholeFile(const QString &path);
bool WriteWholeFile(const QString &path, const QByteArray &bytes);
