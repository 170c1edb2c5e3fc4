#include "cont.h"

#include "paragraphlabel.h"
#include "twips.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>

#include <cmath>

namespace {

constexpr int kLabel1Left = 360;
constexpr int kLabel1Top = 0;

int PixelsFromTwips(float twips) {
    return Twips(static_cast<int>(std::lround(twips)));
}

} // namespace

Cont::Cont()
    : InfoWindow(QStringLiteral("Cont"), QStringLiteral("关于作者"), 3735, 2970)
    , m_label1(new QLabel(this))
    , m_frame1(new QGroupBox(this))
    , m_vscroll1(new QScrollBar(Qt::Vertical, this))
    , m_timer1(new QTimer(this)) {
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setTextFormat(Qt::PlainText);
    m_label1->setGeometry(TwipsRect(kLabel1Left, kLabel1Top, 2655, 255));
    m_motion.left = kLabel1Left;
    m_motion.width = 2655;

    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(TwipsRect(120, 240, 3495, 2535));
    AddParagraph(m_frame1, QStringLiteral("Label2"), 120, 240, 3255, 615,
                 QStringLiteral("  编程没有国界、语言之分，编程重要的是思想。我们不是IT界的Worker，"
                                "我们是程序的Creator。"));
    AddParagraph(
        m_frame1, QStringLiteral("Label3"), 120, 960, 3255, 735,
        QStringLiteral("  广厦千间，夜眠仅需六尺；家财万贯，日食不过三餐。人们总是生活在追求"
                       "中，却总是得不偿失。珍惜身边人，相爱家中亲。"));
    AddParagraph(
        m_frame1, QStringLiteral("Label4"), 120, 1800, 3255, 615,
        QStringLiteral("  如果你喜欢本软件，支持作者，或者有好的建议，请联系上方QQ，同时也衷心"
                       "祝愿你和家人幸福快乐！"));

    // The scroll bar lies below the client area of the fixed-size window, so
    // it is out of sight and the step keeps its start-up value.
    m_vscroll1->setObjectName(QStringLiteral("VScroll1"));
    m_vscroll1->setGeometry(TwipsRect(1680, 3480, 375, 135));
    // A drag changes the step when the thumb is released, not while it moves.
    m_vscroll1->setTracking(false);
    connect(m_vscroll1, &QScrollBar::valueChanged, this, &Cont::VScroll1_Change);

    m_timer1->setObjectName(QStringLiteral("Timer1"));
    connect(m_timer1, &QTimer::timeout, this, &Cont::Timer1_Timer);
}

void Cont::Form_Load() {
    const QString contactLine = QStringLiteral("作者：塔维  QQ：000000000");
    m_label1->setText(contactLine);

    // The line is measured at 10 points. Only the line itself is shown at that
    // size: a window font would reach the paragraphs too, and they are laid
    // out for the default size.
    QFont tickerFont = m_label1->font();
    tickerFont.setPointSize(10);
    m_label1->setFont(tickerFont);
    const QFontMetrics metrics(tickerFont);
    m_motion.width = static_cast<float>(metrics.horizontalAdvance(contactLine) * kTwipsPerPixel);
    const int height = metrics.height() * kTwipsPerPixel;
    m_label1->setGeometry(PixelsFromTwips(m_motion.left), Twips(kLabel1Top),
                          PixelsFromTwips(m_motion.width), Twips(height));

    // Raising the minimum lifts the value from 0 to 100; valueChanged carries
    // that into the step.
    m_vscroll1->setMaximum(1000);
    m_vscroll1->setMinimum(100);
    m_vscroll1->setPageStep(100);
    m_vscroll1->setSingleStep(100);

    m_timer1->setInterval(100);
    m_timer1->start();
}

void Cont::Timer1_Timer() {
    const float outerWidth = static_cast<float>(frameGeometry().width() * kTwipsPerPixel);
    m_motion.Tick(outerWidth);
    m_label1->move(PixelsFromTwips(m_motion.left), m_label1->y());
}

void Cont::VScroll1_Change() {
    m_motion.step = static_cast<float>(m_vscroll1->value());
}
