#pragma once

#include "lookupanswer.h"
#include "resultrow.h"

// What a row keeps of an accepted answer beside its location text.
inline RowAnswer RowAnswerOf(const LookupAnswer &answer) {
    return {answer.province, answer.city, answer.catName};
}
