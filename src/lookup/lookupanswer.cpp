#include "lookupanswer.h"

QString LocationText(const LookupAnswer &answer) {
    return answer.province + QLatin1Char(' ') + answer.carrier;
}
