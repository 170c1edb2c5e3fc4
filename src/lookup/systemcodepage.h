#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

// The system's code page for plain text files: what Notepad and Excel read a
// file without a byte-order mark as. On Windows that is the ANSI code page
// (GBK on a Chinese system, 1252 on an English one); on Linux it is UTF-8.
struct CodePage {
    // The text in the code page; nothing when a character of it has no
    // place there (never a '?' in its stead).
    std::function<std::optional<QByteArray>(QStringView)> encode;
    std::function<QString(QByteArrayView)> decode;

    static CodePage System();
};
