#pragma once

#include "systemcodepage.h"

#include <QFile>
#include <QStringList>

// The log's name in the program directory, as the user is told it.
inline constexpr QLatin1StringView kResultLogFileName("tarvio.txt");

// The log of a batch run, tarvio.txt: plain text, fields separated by TAB,
// every line ending in CR LF, in the system's code page, which is what Notepad
// and Excel read a file as. Where that code page cannot hold a character to be
// written (Chinese on an English Windows), the whole file becomes UTF-16 with
// a byte-order mark from then on, the lines already written included: both
// programs read that as well, and no character is lost. Each line goes
// through to the file as soon as it is written, so a run that is killed leaves
// every finished row behind.
class ResultLog {
public:
    explicit ResultLog(const QString &path, CodePage codePage = CodePage::System());
    ~ResultLog() = default; // QFile closes itself
    ResultLog(const ResultLog &) = delete;
    ResultLog &operator=(const ResultLog &) = delete;

    // Creates the file anew, emptying what it held. False if it cannot be.
    bool Create();
    // False if the line did not reach the file completely.
    bool WriteLine(const QStringList &fields);
    void Close();

    QString Path() const { return m_file.fileName(); }

    // "序号", "手机号", an empty field, "归属地".
    static QStringList HeaderFields();

private:
    bool Write(const QByteArray &bytes);
    bool SwitchToUtf16();

    QFile m_file;
    CodePage m_codePage;
    bool m_utf16 = false;
};
