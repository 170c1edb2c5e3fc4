#include "recordingview.h"

#include <QFile>
#include <QStringDecoder>

ExportFileChoice RecordingView::ChooseExportFile() {
    events << SaveDialog();
    return exportChoice;
}

QString RecordingView::ChooseProvinceWorkbook() {
    events << ProvinceSaveDialog();
    return provinceWorkbook;
}

void RecordingView::Fill(const QStringList &locations) {
    QList<ResultRow> rows;
    for (int i = 1; i <= locations.size(); ++i)
        rows.append(ResultRow{QString::number(10 * i), TestNumber(i), locations[i - 1], {}});
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

QString ReadLogText(const QString &path) {
    const QByteArray bytes = ReadWholeFile(path);
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder utf16(QStringConverter::Utf16LE);
        return utf16.decode(QByteArrayView(bytes).sliced(2));
    }
    QStringDecoder system(QStringConverter::System);
    return system.decode(bytes);
}
