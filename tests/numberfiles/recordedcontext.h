#pragma once

#include "mainwindow/commandcontext.h"
#include "mainwindow/resultlistmodel.h"

#include <QByteArray>
#include <QStringList>

class LookupClient;

// The main window's side of a command, recorded: every caption of Frame2 and
// every message, in one list in the order they came ("caption: …",
// "prompt: …"), plus FileName and the file the Open dialog is to return.
struct RecordedContext {
    explicit RecordedContext(LookupClient *client = nullptr);

    CommandContext context;
    ResultListModel lv;
    QStringList events;
    QString fileName;
    QString dialogChoice; // "" is a cancel
    int dialogShown = 0;

    QStringList captions() const { return withPrefix(CaptionPrefix); }
    QStringList prompts() const { return withPrefix(PromptPrefix); }
    // Rows with these numbers (serials 1, 2 …) and locations ("" for none).
    void fill(const QStringList &numbers, const QStringList &locations = {});

    static inline const QString CaptionPrefix = QStringLiteral("caption: ");
    static inline const QString PromptPrefix = QStringLiteral("prompt: ");

private:
    QStringList withPrefix(const QString &prefix) const;
};

QByteArray ReadWholeFile(const QString &path);
bool WriteWholeFile(const QString &path, const QByteArray &bytes);
