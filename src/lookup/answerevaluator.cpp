#include "lookup/answerevaluator.h"

#include <QStringList>

std::optional<QList<EvaluatedProperty>> EvaluateAnswerProperties(QStringView, const QStringList &) {
    return std::nullopt;
}
