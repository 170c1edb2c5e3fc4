#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class ResultListModel;

// How many rows of the list stand under one name.
struct TallyEntry {
    QString name;
    int count = 0;
    friend bool operator==(const TallyEntry &, const TallyEntry &) = default;
};

// What a row without a location is counted as, in both tallies.
inline constexpr char16_t kNotFoundName[] = u"未查到";
// What a row with a location is counted as when its answer left the
// province (or the carrier) empty: another service may answer so.
inline constexpr char16_t kUnknownName[] = u"未知";

// The rows of the result list counted by province and by carrier, kept from
// the model's signals while the list changes. A batch changes one row at a
// time, as fast as the service answers, so each change costs one look-up per
// tally and a counter moved, never a count over the list; the sorted lists
// are made when someone asks for them. Every row counts once in each tally:
// a row without a location as 未查到, any other under the province and the
// carrier of the answer it keeps.
class PhoneTally : public QObject {
    Q_OBJECT
public:
    explicit PhoneTally(const ResultListModel &list, QObject *parent = nullptr);

    int Rows() const { return static_cast<int>(m_rows.size()); }
    // Largest first, equal counts in the order of their names, 未查到 last
    // whatever its count: it is not a place, and the places are what the
    // reader looks for. Names no row stands under any more are left out.
    QList<TallyEntry> Provinces() const { return m_provinces.Sorted(); }
    QList<TallyEntry> Carriers() const { return m_carriers.Sorted(); }

Q_SIGNALS:
    // After every change of the counts.
    void Changed();

private:
    // The counts of one tally, by a small number for each name.
    class Counts {
    public:
        static constexpr int kNotFound = 0;
        Counts() { Clear(); }
        void Clear();
        int Category(const QString &name);
        void Add(int category) {
            ++m_counts[category];
            m_sorted.reset();
        }
        void Remove(int category) {
            --m_counts[category];
            m_sorted.reset();
        }
        QList<TallyEntry> Sorted() const;

    private:
        QHash<QString, int> m_categories;
        QStringList m_names;
        QList<int> m_counts;
        mutable std::optional<QList<TallyEntry>> m_sorted;
    };
    struct RowCategories {
        int province = Counts::kNotFound;
        int carrier = Counts::kNotFound;
    };

    RowCategories CategoriesOf(int position);
    void Count(RowCategories row, bool add);
    void Recount();
    void RowsInserted(int first, int last);
    void RowsRemoved(int first, int last);
    void RowsChanged(int first, int last);

    const ResultListModel &m_list;
    std::vector<RowCategories> m_rows; // one per row, in the list's order
    Counts m_provinces;
    Counts m_carriers;
};
