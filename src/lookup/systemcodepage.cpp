#include "systemcodepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#ifdef Q_OS_WIN
#include <windows.h>

#include <climits>

namespace {
std::optional<QByteArray> EncodeAnsi(QStringView text) {
    if (text.isEmpty())
        return QByteArray();
    if (text.size() > INT_MAX)
        return std::nullopt;
    const auto *units = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length = static_cast<int>(text.size());
    const UINT codePage = GetACP();
    // A UTF-8 system (a choice of Windows 10 and later) writes everything,
    // and takes no question about characters it cannot write.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lost = FALSE;
    BOOL *lostAsked = utf8 ? nullptr : &lost;
    const int size =
        WideCharToMultiByte(codePage, flags, units, length, nullptr, 0, nullptr, lostAsked);
    if (size <= 0 || lost)
        return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    WideCharToMultiByte(codePage, flags, units, length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}
} // namespace

CodePage CodePage::System() {
    // Qt's system converter on Windows is the ANSI code page.
    return {EncodeAnsi, [](QByteArrayView bytes) {
                QStringDecoder ansi(QStringConverter::System);
                return QString(ansi.decode(bytes));
            }};
}
#else
CodePage CodePage::System() {
    // Qt takes the system's text as UTF-8 on every Unix, and UTF-8 writes
    // every character.
    return {[](QStringView text) -> std::optional<QByteArray> {
                QStringEncoder utf8(QStringConverter::Utf8);
                return QByteArray(utf8.encode(text));
            },
            [](QByteArrayView bytes) {
                QStringDecoder utf8(QStringConverter::Utf8);
                return QString(utf8.decode(bytes));
            }};
}
#endif
