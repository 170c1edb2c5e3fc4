#pragma once

#include "lookupanswer.h"

#include <QByteArray>

// What the service's answer says of the number: the body decoded
// (answertext.h), the marker looked for, and the text evaluated as a literal
// expression for its province and carrier. Any status counts: an error page
// is an answer like another, and is judged by its content. Safe on any
// thread.
LookupAnswer JudgeAnswer(const QByteArray &body, const QByteArray &contentType);
