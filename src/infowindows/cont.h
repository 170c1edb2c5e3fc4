#pragma once

#include "infowindow.h"
#include "tickermotion.h"

class QGroupBox;
class QLabel;
class QScrollBar;
class QTimer;

// The about-author window: three paragraphs in a frame and, along the top,
// the maker's contact line moving right to left like a ticker.
class Cont : public InfoWindow {
    Q_OBJECT

public:
    // Builds the controls as designed; Form_Load then brings them to life.
    Cont();

    void Form_Load();
    void Timer1_Timer();
    void VScroll1_Change();

    // Twips the contact line moves on each tick; follows the scroll bar.
    float ScrollStep() const { return m_motion.step; }
    // Where the contact line is, in twips from the left of the client area.
    float TickerLeft() const { return m_motion.left; }

private:
    QLabel *m_label1;
    QGroupBox *m_frame1;
    QScrollBar *m_vscroll1;
    QTimer *m_timer1;
    TickerMotion m_motion;
};
