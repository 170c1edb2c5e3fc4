#pragma once

#include <QString>

// A skin file is a Qt style sheet in UTF-8 that opens with a comment naming
// the skin:
//
//     /* tarvio skin: 黑色钻石 (black) */
//
// The header is what tells one of our skins apart from any other text file
// that happens to sit under skin/; a file without it is refused, as is one
// that is empty, larger than any real skin, or not UTF-8.
enum class SkinFileStatus {
    Ok = 0,
    Missing,
    Unreadable,
    TooLarge,
    Empty,
    NotUtf8,
    NoHeader,
};

struct SkinFile {
    SkinFileStatus status = SkinFileStatus::Missing;
    QString styleSheet; // the whole text, header included
};

// Our skins are a few kilobytes; anything this large is not one of them.
inline constexpr qint64 kMaxSkinFileBytes = 1024 * 1024;

SkinFile ReadSkinFile(const QString &path);
