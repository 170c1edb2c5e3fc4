#pragma once

#include <QString>

// Puts the skin in a file under the program directory in force. fixedText is
// the file's place after the program directory, written with backslashes,
// e.g. "\\skin\\green.vio". Nothing is reported: a missing skin simply
// leaves the look as it was.
void ApplySkin(const QString &fixedText);
