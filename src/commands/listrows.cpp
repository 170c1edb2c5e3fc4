#include "listrows.h"

#include "resultlistmodel.h"

ResultRows RowsOfList(const ResultListModel &lv) {
    return {lv.Count(), [&lv](qsizetype index) {
                const int position = static_cast<int>(index) + 1;
                const RowAnswer &answer = lv.Answer(position);
                return ResultRecord{lv.Text(position), lv.Number(position), answer.province,
                                    answer.city, answer.carrier};
            }};
}
