#include "skins/applyskin.h"

void ApplySkin(const QString &) {}
