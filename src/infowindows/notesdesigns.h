#pragma once

#include <QList>
#include <QString>

// The layout of a notes window: a caption, a plain frame in the client area
// and a column of paragraph labels in the frame. All measures in twips.
struct NotesParagraph {
    QString name;
    int top;
    int height;
    QString text;
};

struct NotesDesign {
    QString name;
    QString caption;
    int clientWidth;
    int clientHeight;
    int frameHeight;
    QList<NotesParagraph> paragraphs;
};

// Every label of both windows sits at this left and has this width.
constexpr int kNotesFrameLeft = 120;
constexpr int kNotesFrameTop = 120;
constexpr int kNotesFrameWidth = 3735;
constexpr int kNotesLabelLeft = 120;
constexpr int kNotesLabelWidth = 3495;

NotesDesign UsageNotesDesign(); // ShuoMing
NotesDesign AttentionDesign();  // ZhuYi
