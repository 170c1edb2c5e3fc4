#pragma once

class QWidget;

void ShowUsageNotes();
void ShowAttention();
void ShowAboutAuthor();
QWidget *OpenUsageNotes();
QWidget *OpenAttention();
QWidget *OpenAboutAuthor();
