#include "tickermotion.h"

void TickerMotion::Tick(float outerWidth) {
    left = left - step;
    if (left < -width)
        left = outerWidth;
}
