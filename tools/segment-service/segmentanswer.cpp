#include "segmentanswer.h"

#include "answerformat.h"

#include <algorithm>

namespace {

// True for eleven ASCII digits beginning with 1: the only numbers a mainland
// mobile segment lookup can answer.
bool IsMobileNumberText(std::string_view text) {
    return text.size() == 11 && text.front() == '1' &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

void SegmentAnswerer::Answer(std::string_view tel, std::string &out) const {
    if (!IsMobileNumberText(tel))
        return AppendUnknownNumberAnswer(out, "invalid");
    // The table's names were checked as they were loaded.
    const std::optional<SegmentTable::Entry> entry = m_table.Find(tel);
    if (!entry)
        return AppendUnknownNumberAnswer(out, "unknown");
    AppendKnownNumberAnswer(out, tel, entry->gbkProvince, entry->gbkCity, entry->gbkCarrier);
}
