#pragma once

#include <QFile>
#include <QStringEncoder>
#include <QStringList>

// The log's name in the program directory, as the user is told it.
inline constexpr QLatin1StringView kResultLogFileName("tarvio.txt");

// The log of a batch run, tarvio.txt: text in the system's encoding, fields
// separated by TAB, every line ending in CR LF. Each line goes through to
// the file as soon as it is written, so a run that is killed leaves every
// finished row behind.

class ResultLog {
public:
    explicit ResultLog(const QString &path);
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
    QFile m_file;
    QStringEncoder m_encoder;
};
