#pragma once

class QWidget;

// The three information windows of the about menu. Each is a top-level window
// of its own, without an owner, of which at most one copy is open at a time.

// Shows the window, building it from its design if it is not open; brings an open one to the front.
void ShowUsageNotes();  // ShuoMing, "使用说明"
void ShowAttention();   // ZhuYi, "注意事项"
void ShowAboutAuthor(); // Cont, "关于作者"

// For tests: the open window, or nullptr when it is closed.
QWidget *OpenUsageNotes();
QWidget *OpenAttention();
QWidget *OpenAboutAuthor();
