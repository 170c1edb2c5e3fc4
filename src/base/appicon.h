#pragma once

#include <QIcon>

// The one icon that every window of the program carries.
QIcon AppIcon();
