#pragma once

#include "notesdesigns.h"

class QWidget;

// Builds a notes window from its design: an ownerless, fixed-size window that
// is released when the user closes it.
QWidget *BuildNotesWindow(const NotesDesign &design);
