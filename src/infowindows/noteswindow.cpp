#include "noteswindow.h"

#include "infowindow.h"
#include "paragraphlabel.h"
#include "twips.h"

#include <QGroupBox>

QWidget *BuildNotesWindow(const NotesDesign &design) {
    auto *window =
        new InfoWindow(design.name, design.caption, design.clientWidth, design.clientHeight);

    auto *frame = new QGroupBox(window);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(
        TwipsRect(kNotesFrameLeft, kNotesFrameTop, kNotesFrameWidth, design.frameHeight));

    for (const NotesParagraph &paragraph : design.paragraphs)
        AddParagraph(frame, paragraph.name, kNotesLabelLeft, paragraph.top, kNotesLabelWidth,
                     paragraph.height, paragraph.text);
    return window;
}
