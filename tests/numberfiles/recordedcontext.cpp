#include "recordedcontext.h"

#include <QFile>

RecordedContext::RecordedContext(LookupClient *client) {
    context.lv = &lv;
    context.Inet1 = client;
    context.singlePhoneText = [] {
        return QString();
    };
    context.setFrame1Caption = [this](const QString &text) {
        events << "frame1: " + text;
    };
    context.setFrame2Caption = [this](const QString &text) {
        events << CaptionPrefix + text;
    };
    context.fileNameText = [this] {
        return fileName;
    };
    context.setFileNameText = [this](const QString &text) {
        fileName = text;
    };
    context.chooseNumberFile = [this] {
        ++dialogShown;
        return dialogChoice;
    };
    context.prompt = [this](const QString &text) {
        events << PromptPrefix + text;
    };
}

void RecordedContext::fill(const QStringList &numbers, const QStringList &locations) {
    QList<ResultRow> rows;
    for (int i = 0; i < numbers.size(); ++i)
        rows.append(ResultRow{QString::number(i + 1), numbers[i], locations.value(i)});
    lv.AppendRows(rows);
}

QStringList RecordedContext::withPrefix(const QString &prefix) const {
    QStringList out;
    for (const QString &event : events) {
        if (event.startsWith(prefix))
            out << event.mid(prefix.size());
    }
    return out;
}

QByteArray ReadWholeFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

bool WriteWholeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}
