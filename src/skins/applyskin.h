#pragma once

#include <QString>

void ApplySkin(const QString &fixedText);
