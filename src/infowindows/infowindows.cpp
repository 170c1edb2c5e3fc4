#include "infowindows/infowindows.h"

void ShowUsageNotes() {}
void ShowAttention() {}
void ShowAboutAuthor() {}
QWidget *OpenUsageNotes() {
    return nullptr;
}
QWidget *OpenAttention() {
    return nullptr;
}
QWidget *OpenAboutAuthor() {
    return nullptr;
}
