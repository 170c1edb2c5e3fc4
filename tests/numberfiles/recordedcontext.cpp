#include "recordedcontext.h"

#include <QFile>

RecordedContext::RecordedContext(LookupClient *client) {
    context.lv = &lv;
    context.Inet1 = client;
    context.setFrame2Caption = [this](const QString &text) {
        events << Caption(text);
    };
    context.prompt = [this](const QString &text) {
        events << Prompt(text);
    };
    context.fileNameText = [this] {
        return fileName;
    };
    context.setFileNameText = [this](const QString &text) {
        fileName = text;
    };
    context.chooseNumberFile = [this] {
        return dialogChoice;
    };
}

void RecordedContext::fill(const QStringList &locations) {
    QList<ResultRow> rows;
    for (int i = 1; i <= locations.size(); ++i)
        rows.append(ResultRow{QString::number(10 * i), TestNumber(i), locations[i - 1]});
    lv.AppendRows(rows);
}

QByteArray ReadWholeFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteWholeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
