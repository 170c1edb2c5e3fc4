#include "gbtext.h"

#include <QByteArray>
#include <QStringDecoder>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include <climits>

QString DecodeGbText(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return QString();
#ifdef Q_OS_WIN
    constexpr UINT kGb18030 = 54936;
    constexpr UINT kGbk = 936;
    const UINT codePage = IsValidCodePage(kGb18030) ? kGb18030 : kGbk;
    if (bytes.size() > INT_MAX)
        return QString();
    const int length = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (units <= 0)
        return QString();
    QString text(units, Qt::Uninitialized);
    MultiByteToWideChar(codePage, 0, bytes.data(), length, reinterpret_cast<wchar_t *>(text.data()),
                        units);
    return text;
#else
    // Opening the converter costs more than converting an answer; a
    // stateless one can be used again and again.
    thread_local QStringDecoder gb("GB18030", QStringDecoder::Flag::Stateless);
    return gb.decode(bytes);
#endif
}

bool IsGbCharset(QByteArrayView name) {
    static const char *const kNames[] = {"gb18030", "gbk",    "gb2312",     "cp936",
                                         "x-gbk",   "euc-cn", "windows-936"};
    const QByteArrayView trimmed = name.trimmed();
    for (const char *known : kNames) {
        if (trimmed.compare(known, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
