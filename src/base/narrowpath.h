#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A path as an interface that takes char* paths in the system's code page
// wants it (a C library's fopen, the skin engine): on Linux the file name's
// bytes; on Windows the ANSI code page's, and where that code page cannot
// hold the path (a Chinese folder on an English system), its short form,
// whose names are plain ASCII. The path must exist for that. Nothing when
// neither form holds it, as when the file system keeps no short names:
// never a path with '?' in it, which would name another file or none.
std::optional<QByteArray> NarrowPath(const QString &path);
