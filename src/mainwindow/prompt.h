#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every message the program gives the user goes through here: a modal box
// titled "提示" with the information icon and a single OK button. A carriage
// return inside the text is shown as a line break.
void ShowPrompt(QWidget *parent, const QString &text);

// Tests install a hook that receives the text instead of a box being shown,
// so that no test ever blocks on a modal window. An empty hook restores the
// real box.
using PromptHook = std::function<void(const QString &text)>;
void SetPromptHook(PromptHook hook);
