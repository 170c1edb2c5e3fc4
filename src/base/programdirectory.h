#pragma once

#include <QString>

// The directory that holds the executable, without a trailing separator.
// The skin files and the result log live under it. Tests point it elsewhere.
QString ProgramDirectory();
void SetProgramDirectory(const QString &directory);
