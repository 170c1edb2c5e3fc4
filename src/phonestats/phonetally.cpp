#include "phonetally.h"

#include "resultlistmodel.h"

#include <algorithm>

namespace {
// The list's columns are 序号, 手机号码 and 归属地; only a change of the
// last moves a count.
constexpr int kLocationColumn = 2;
} // namespace

void PhoneTally::Counts::Clear() {
    m_categories.clear();
    m_names = QStringList{QString::fromUtf16(kNotFoundName)};
    m_counts = QList<int>{0};
    m_sorted.reset();
}

int PhoneTally::Counts::Category(const QString &name) {
    const QString &key = name.isEmpty() ? QString::fromUtf16(kUnknownName) : name;
    const auto found = m_categories.constFind(key);
    if (found != m_categories.cend())
        return found.value();
    const int category = static_cast<int>(m_names.size());
    m_categories.insert(key, category);
    m_names.append(key);
    m_counts.append(0);
    return category;
}

QList<TallyEntry> PhoneTally::Counts::Sorted() const {
    if (m_sorted)
        return *m_sorted;
    QList<TallyEntry> entries;
    for (int category = kNotFound + 1; category < m_counts.size(); ++category) {
        if (m_counts[category] > 0)
            entries.append({m_names[category], m_counts[category]});
    }
    std::sort(entries.begin(), entries.end(), [](const TallyEntry &a, const TallyEntry &b) {
        return a.count != b.count ? a.count > b.count : a.name < b.name;
    });
    if (m_counts[kNotFound] > 0)
        entries.append({m_names[kNotFound], m_counts[kNotFound]});
    m_sorted = entries;
    return entries;
}

PhoneTally::PhoneTally(const ResultListModel &list, QObject *parent)
    : QObject(parent)
    , m_list(list) {
    connect(&list, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { RowsInserted(first, last); });
    connect(&list, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { RowsRemoved(first, last); });
    connect(&list, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                if (topLeft.column() <= kLocationColumn && bottomRight.column() >= kLocationColumn)
                    RowsChanged(topLeft.row(), bottomRight.row());
            });
    connect(&list, &QAbstractItemModel::modelReset, this, &PhoneTally::Recount);
    connect(&list, &QAbstractItemModel::layoutChanged, this, &PhoneTally::Recount);
    Recount();
}

// The answer is only looked at when the row has a location: a location
// emptied (as the filter does) counts as not found, whatever it kept.
PhoneTally::RowCategories PhoneTally::CategoriesOf(int position) {
    if (m_list.Location(position).isEmpty())
        return {};
    const RowAnswer &answer = m_list.Answer(position);
    return {m_provinces.Category(answer.province), m_carriers.Category(answer.carrier)};
}

void PhoneTally::Count(RowCategories row, bool add) {
    if (add) {
        m_provinces.Add(row.province);
        m_carriers.Add(row.carrier);
    } else {
        m_provinces.Remove(row.province);
        m_carriers.Remove(row.carrier);
    }
}

void PhoneTally::Recount() {
    m_provinces.Clear();
    m_carriers.Clear();
    m_rows.clear();
    if (m_list.Count() > 0)
        RowsInserted(0, m_list.Count() - 1);
    else
        Q_EMIT Changed();
}

void PhoneTally::RowsInserted(int first, int last) {
    std::vector<RowCategories> inserted;
    inserted.reserve(static_cast<size_t>(last - first + 1));
    for (int row = first; row <= last; ++row) {
        inserted.push_back(CategoriesOf(row + 1));
        Count(inserted.back(), true);
    }
    m_rows.insert(m_rows.begin() + first, inserted.begin(), inserted.end());
    Q_EMIT Changed();
}

void PhoneTally::RowsRemoved(int first, int last) {
    for (int row = first; row <= last; ++row)
        Count(m_rows[static_cast<size_t>(row)], false);
    m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
    Q_EMIT Changed();
}

void PhoneTally::RowsChanged(int first, int last) {
    bool changed = false;
    for (int row = first; row <= last && row < Rows(); ++row) {
        RowCategories &kept = m_rows[static_cast<size_t>(row)];
        const RowCategories now = CategoriesOf(row + 1);
        if (now.province == kept.province && now.carrier == kept.carrier)
            continue;
        Count(kept, false);
        Count(now, true);
        kept = now;
        changed = true;
    }
    if (changed)
        Q_EMIT Changed();
}
