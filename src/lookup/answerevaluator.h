#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// The number-segment service answers with a JavaScript expression, usually an
// object literal assigned to a name ("zone = {telString:'…', province:'…'}").
// The answer comes over plain HTTP, so it is data and is never run: this
// evaluator understands literal expressions only and refuses everything else
// (the accepted grammar is described in lookup/jsliteral.h).
//
// EvaluateAnswerProperties evaluates the text as if wrapped in one pair of
// parentheses, as `eval('(' + answer + ')')` would, and, when its value is an
// object, gives back the named properties as JavaScript's String() would
// write them: a string as it is, a number as Number::toString writes it
// ("1e+21", "0.1", "-0" -> "0"), a boolean as "true" or "false". A property
// that is missing, null, undefined, an object or an array has no text.
// Lengths and texts are in 16-bit units (QString).

struct EvaluatedProperty {
    bool present = false; // the property exists and is a string, number or boolean
    QString text;
};

// Reads the properties `names` of the object that `answer` evaluates to.
// Returns nullopt when the text is not an accepted literal expression or its
// value is not an object. The result has one entry per name, in order.
std::optional<QList<EvaluatedProperty>> EvaluateAnswerProperties(QStringView answer,
                                                                 const QStringList &names);
