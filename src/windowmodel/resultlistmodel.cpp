#include "resultlistmodel.h"

#include <optional>

namespace {
constexpr int kDigits = 11;

// The value of a text of exactly eleven ASCII digits; nothing for any other
// text (a blank, a sign, a point, other digits, another length), which the
// list then keeps as it is.
std::optional<quint64> ElevenDigits(QStringView text) {
    if (text.size() != kDigits)
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}
} // namespace

ResultListModel::ResultListModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_located(1) {}

void ResultListModel::AddColumn(const QString &title) {
    const int column = static_cast<int>(m_columns.size());
    beginInsertColumns(QModelIndex(), column, column);
    m_columns.append(title);
    endInsertColumns();
}

void ResultListModel::Clear() {
    m_batchStopped = false;
    if (m_rows.empty())
        return;
    beginResetModel();
    // Swapped out rather than cleared, so that the memory goes too.
    std::vector<Row>().swap(m_rows);
    m_numberTexts = QStringList();
    m_serials = QHash<int, QString>();
    std::deque<Located>(1).swap(m_located);
    m_locatedIndex = QHash<Located, quint32>();
    endResetModel();
}

int ResultListModel::Add(const QString &serial) {
    const int row = Count();
    beginInsertRows(QModelIndex(), row, row);
    m_rows.push_back({kNoNumber, 0, RowQuery::NotAsked});
    NoteSerial(row + 1, serial);
    endInsertRows();
    return row + 1;
}

void ResultListModel::AppendRows(QList<ResultRow> rows) {
    if (rows.isEmpty())
        return;
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
    m_rows.reserve(m_rows.size() + static_cast<size_t>(rows.size()));
    for (const ResultRow &row : rows) {
        m_rows.push_back(
            {NumberCode(row.number), LocatedIndex(row.location, row.answer), row.query});
        NoteSerial(Count(), row.serial);
    }
    endInsertRows();
}

void ResultListModel::AppendNumbers(const QStringList &numbers) {
    if (numbers.isEmpty())
        return;
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(numbers.size()) - 1);
    m_rows.reserve(m_rows.size() + static_cast<size_t>(numbers.size()));
    for (const QString &number : numbers)
        m_rows.push_back({NumberCode(number), 0, RowQuery::NotAsked});
    endInsertRows();
}

QString ResultListModel::Text(int position) const {
    Q_ASSERT(position >= 1 && position <= Count());
    if (!m_serials.isEmpty()) {
        const auto serial = m_serials.constFind(position);
        if (serial != m_serials.cend())
            return *serial;
    }
    return QString::number(position);
}

void ResultListModel::SetNumber(int position, const QString &number) {
    Row &row = RowAt(position);
    if (const std::optional<qsizetype> slot = TextSlot(row.number))
        m_numberTexts[*slot] = QString();
    row.number = NumberCode(number);
    EmitCellChanged(position, 1);
}

void ResultListModel::SetLocation(int position, const QString &location, RowAnswer answer) {
    RowAt(position).located = LocatedIndex(location, answer);
    EmitCellChanged(position, 2);
}

void ResultListModel::SetLocations(int firstPosition, const QList<RowLocation> &locations) {
    if (locations.isEmpty())
        return;
    for (qsizetype i = 0; i < locations.size(); ++i) {
        RowAt(firstPosition + static_cast<int>(i)).located =
            LocatedIndex(locations[i].location, locations[i].answer);
    }
    const int last = firstPosition - 1 + static_cast<int>(locations.size()) - 1;
    Q_EMIT dataChanged(index(firstPosition - 1, 2), index(last, 2), {Qt::DisplayRole});
}

void ResultListModel::KeepRows(const QList<int> &positions) {
    beginResetModel();
    std::vector<Row> kept;
    kept.reserve(static_cast<size_t>(positions.size()));
    QStringList texts;
    for (const int position : positions) {
        Row row = RowAt(position);
        if (const std::optional<qsizetype> slot = TextSlot(row.number)) {
            texts.append(m_numberTexts.at(*slot));
            row.number = kNumberIsText | quint64(texts.size() - 1);
        }
        kept.push_back(row);
    }
    m_rows = std::move(kept);
    m_numberTexts = std::move(texts);
    m_serials = QHash<int, QString>(); // every serial is its position now
    endResetModel();
}

quint64 ResultListModel::NumberCode(const QString &number) {
    if (const std::optional<quint64> digits = ElevenDigits(number))
        return *digits;
    if (number.isEmpty())
        return kNoNumber;
    m_numberTexts.append(number);
    return kNumberIsText | quint64(m_numberTexts.size() - 1);
}

std::optional<qsizetype> ResultListModel::TextSlot(quint64 code) {
    if (code == kNoNumber || !(code & kNumberIsText))
        return std::nullopt;
    return static_cast<qsizetype>(code & ~kNumberIsText);
}

QString ResultListModel::NumberText(quint64 code) const {
    if (code == kNoNumber)
        return QString();
    if (const std::optional<qsizetype> slot = TextSlot(code))
        return m_numberTexts.at(*slot);
    QChar digits[kDigits];
    for (int i = kDigits - 1; i >= 0; --i) {
        digits[i] = QChar(u'0' + static_cast<char16_t>(code % 10));
        code /= 10;
    }
    return QString(digits, kDigits);
}

quint32 ResultListModel::LocatedIndex(const QString &location, const RowAnswer &answer) {
    if (location.isEmpty() && answer.province.isEmpty() && answer.city.isEmpty() &&
        answer.carrier.isEmpty())
        return 0;
    Located located{location, answer};
    const auto found = m_locatedIndex.constFind(located);
    if (found != m_locatedIndex.cend())
        return *found;
    const auto index = static_cast<quint32>(m_located.size());
    m_located.push_back(located);
    m_locatedIndex.insert(std::move(located), index);
    return index;
}

void ResultListModel::NoteSerial(int position, const QString &serial) {
    if (serial != QString::number(position))
        m_serials.insert(position, serial);
}

void ResultListModel::EmitCellChanged(int position, int column) {
    const QModelIndex cell = index(position - 1, column);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
}

int ResultListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : Count();
}

int ResultListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ResultListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= Count())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const int position = index.row() + 1;
    switch (index.column()) {
    case 0:
        return Text(position);
    case 1:
        return Number(position);
    case 2:
        return Location(position);
    default:
        return {};
    }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns.at(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}
