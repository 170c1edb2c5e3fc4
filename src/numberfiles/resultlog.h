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
// every finished row behind, and never half a line.
//
// A log is used by one thread at a time; which one does not matter (the
// batch writes it on its transfer thread).
class ResultLog {
public:
    explicit ResultLog(const QString &path, CodePage codePage = CodePage::System());
    ~ResultLog() = default; // QFile closes itself
    ResultLog(const ResultLog &) = delete;
    ResultLog &operator=(const ResultLog &) = delete;

    // Creates the file anew, emptying what it held. False if it cannot be.
    bool Create();
    // Opens the file to go on after what it holds (made when missing), in
    // the form it has: UTF-16 when it begins with the byte-order mark. False
    // if it cannot be.
    bool OpenToAppend();
    // Whether the open file holds nothing yet.
    bool IsEmpty() const { return m_file.size() == 0; }
    // False if the line did not reach the file completely.
    bool WriteLine(const QStringList &fields);
    // Several lines, each given by its fields, in one write where all goes
    // well. Returns how many of them reached the file, from the first on;
    // what there is of the first that did not is taken back out.
    qsizetype WriteLines(const QList<QStringList> &lines);
    void Close();

    QString Path() const { return m_file.fileName(); }

    // "序号", "手机号", an empty field, "归属地".
    static QStringList HeaderFields();

private:
    bool Write(const QByteArray &bytes);
    // The line's bytes in the file's form, switching it to UTF-16 first
    // where the code page cannot hold it; nothing if that fails.
    std::optional<QByteArray> Encode(const QString &line);
    bool SwitchToUtf16();

    QFile m_file;
    CodePage m_codePage;
    bool m_utf16 = false;
};
