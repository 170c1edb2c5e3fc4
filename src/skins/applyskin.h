#pragma once

#include <QString>

// Puts the skin in a file under the program directory in force. fixedText is
// the file's place after the program directory, written with backslashes,
// e.g. "\\skin\\green.vio". Nothing is reported: a missing skin simply
// leaves the look as it was.
void ApplySkin(const QString &fixedText);

// A skin file's path as the engine takes it: in the system's code page (the
// ANSI code page on Windows). On Windows a path that code page cannot hold
// (a Chinese folder on an English system) is given by its short form, whose
// names are plain ASCII, when the file system keeps one.
QByteArray SkinPathBytes(const QString &path);
