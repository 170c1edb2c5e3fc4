#pragma once

// The program's interface is Simplified Chinese by design, so what Qt draws
// for it (message-box buttons, the file dialog, the text boxes' context
// menus) must be Chinese too, whatever locale the user runs it under.
//
// Installs Qt's own Simplified Chinese translation, which the build compiles
// into the program, makes Chinese the default locale (QLocale()), and has
// dialogs drawn by Qt rather than by the desktop, whose dialogs would speak
// the desktop's language. Call once, after the
// application object exists and before the first window is built. Returns
// false if the translation could not be loaded; Qt then shows its English
// texts and nothing else changes.
bool UseChineseQtTexts();
