#include "judgeanswer.h"

#include "answerevaluator.h"
#include "answertext.h"

#include <QStringList>

namespace {
const QString kMarker = QStringLiteral("telString");

LookupAnswer Refused() {
    LookupAnswer answer;
    answer.outcome = LookupAnswer::Outcome::Refused;
    return answer;
}
} // namespace

LookupAnswer JudgeAnswer(const QByteArray &body, const QByteArray &contentType) {
    const QString text = DecodeAnswerBody(body, contentType);
    // The marker test is a plain, case-sensitive substring search; nothing
    // is evaluated unless it passes.
    if (!text.contains(kMarker))
        return Refused();

    static const QStringList kNames{QStringLiteral("province"), QStringLiteral("catName"),
                                    QStringLiteral("city")};
    const auto properties = EvaluateAnswerProperties(text, kNames);
    if (!properties || !(*properties)[0].present || !(*properties)[1].present)
        return Refused();

    const QString &catName = (*properties)[1].text;
    // The carrier is the name without its first two characters ("中国移动"
    // gives "移动"); a shorter name cannot be such a carrier name.
    if (catName.size() < 2)
        return Refused();

    LookupAnswer answer;
    answer.outcome = LookupAnswer::Outcome::Accepted;
    answer.province = (*properties)[0].text;
    answer.carrier = catName.mid(2);
    answer.catName = catName;
    // The city is no condition of an answer: a service may not know it.
    answer.city = (*properties)[2].text;
    return answer;
}
