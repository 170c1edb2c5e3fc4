#include "infowindows.h"

#include "cont.h"
#include "notesdesigns.h"
#include "noteswindow.h"

#include <QPointer>
#include <QWidget>

namespace {

QPointer<QWidget> usageNotes;
QPointer<QWidget> attention;
QPointer<QWidget> aboutAuthor;

// A window closed by its close box is hidden at once but only deleted when
// the event loop comes round again; until then it is no longer open.
QWidget *OpenOrNull(const QPointer<QWidget> &window) {
    return window && window->isVisible() ? window.data() : nullptr;
}

template <typename Build> void ShowOne(QPointer<QWidget> &window, Build build) {
    if (!OpenOrNull(window))
        window = build();
    window->show();
    window->raise();
    window->activateWindow();
}

QWidget *BuildAboutAuthor() {
    auto *cont = new Cont;
    cont->Form_Load();
    return cont;
}

} // namespace

void ShowUsageNotes() {
    ShowOne(usageNotes, [] { return BuildNotesWindow(UsageNotesDesign()); });
}

void ShowAttention() {
    ShowOne(attention, [] { return BuildNotesWindow(AttentionDesign()); });
}

void ShowAboutAuthor() {
    ShowOne(aboutAuthor, BuildAboutAuthor);
}

QWidget *OpenUsageNotes() {
    return OpenOrNull(usageNotes);
}

QWidget *OpenAttention() {
    return OpenOrNull(attention);
}

QWidget *OpenAboutAuthor() {
    return OpenOrNull(aboutAuthor);
}
