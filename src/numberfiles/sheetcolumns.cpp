#include "sheetcolumns.h"

#include "cellnumber.h"
#include "mobilenumber.h"

#include <QLocale>

#include <cmath>

namespace {
bool IsBlankText(QStringView text) {
    for (const QChar c : text) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

// Whether PhoneHeaderRank can find a phone's name in the text: every name
// it knows has one of these characters or a Latin letter (full-width too).
bool MayNamePhone(QStringView text) {
    if (text.size() > 64)
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= 0xFF21 && u <= 0xFF5A) ||
            u == u'机' || u == u'话' || u == u'式' || u == u'码')
            return true;
    }
    return false;
}
} // namespace

SheetCell EvaluateCellText(QStringView text, bool header,
                           const std::function<bool(QStringView)> &isNumber, QString &number) {
    SheetCell cell;
    number = QString();
    if (IsBlankText(text))
        return cell;
    cell.empty = false;
    number = NumberOfCell(text, isNumber);
    cell.number = number.isNull() ? QStringView() : QStringView(number);
    if (header && number.isNull() && MayNamePhone(text))
        cell.headerRank = PhoneHeaderRank(text);
    return cell;
}

QString NumberCellText(double value) {
    // Below 2^53 every integer is exact, and far more digits than a phone
    // number has.
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 9.0e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

SheetColumns::SheetColumns(std::function<bool(QStringView)> isNumber)
    : m_isNumber(std::move(isNumber)) {}

bool SheetColumns::AddText(qint64 row, int column, QStringView text) {
    return AddCell(row, column, EvaluateCellText(text, IsHeaderRow(row), m_isNumber, m_number));
}

bool SheetColumns::AddCell(qint64 row, int column, const SheetCell &cell) {
    if (cell.empty || column < 0 || column >= kMaxColumns)
        return m_withinLimits;
    if (m_headerRow < 0)
        m_headerRow = row;
    else if (row != m_headerRow && !m_headerClosed)
        CloseHeaderRow();
    if (column >= m_columns.size())
        m_columns.resize(column + 1);
    Column &c = m_columns[column];
    ++c.candidates;
    if (row == m_headerRow) {
        c.headerIsCandidate = true;
        c.headerRank = cell.headerRank;
        c.headerGivesNumber = cell.number.size() == kMobileNumberLength;
    }
    // A number is kept in exactly eleven characters; isNumber takes no other.
    if (cell.number.size() != kMobileNumberLength)
        return m_withinLimits;
    ++c.numbers;
    if (c.keeps && m_withinLimits) {
        if (++m_keptNumbers > kMaxKeptNumbers) {
            m_withinLimits = false;
            return false;
        }
        c.kept.append(cell.number);
    }
    return m_withinLimits;
}

// Once the header row is over, only the columns that its best name names
// can be chosen; the others keep their counts but no more numbers.
void SheetColumns::CloseHeaderRow() {
    m_headerClosed = true;
    int best = 0;
    for (const Column &c : std::as_const(m_columns))
        best = std::max(best, c.headerRank);
    if (best == 0)
        return;
    for (Column &c : m_columns) {
        if (c.headerRank < best && c.keeps) {
            c.keeps = false;
            m_keptNumbers -= c.kept.size() / kMobileNumberLength;
            c.kept = QString();
        }
    }
}

bool SheetColumns::HoldsNumbers() const {
    for (const Column &c : m_columns) {
        if (c.numbers > 0)
            return true;
    }
    return false;
}

int SheetColumns::Chosen() const {
    int best = 0;
    for (const Column &c : m_columns)
        best = std::max(best, c.headerRank);
    int chosen = -1;
    for (int i = 0; i < m_columns.size(); ++i) {
        const Column &c = m_columns[i];
        if (c.headerRank != best)
            continue;
        if (chosen < 0 || c.numbers > m_columns[chosen].numbers)
            chosen = i;
    }
    return chosen;
}

NumberList SheetColumns::ChosenColumn() const {
    NumberList list;
    const int chosen = Chosen();
    if (chosen < 0)
        return list;
    const Column &c = m_columns[chosen];
    list.lineCount = c.candidates;
    if (c.headerIsCandidate && c.headerRank > 0 && !c.headerGivesNumber)
        --list.lineCount;
    const QStringView kept(c.kept);
    list.kept.reserve(kept.size() / kMobileNumberLength);
    for (qsizetype at = 0; at + kMobileNumberLength <= kept.size(); at += kMobileNumberLength)
        list.kept.append(kept.sliced(at, kMobileNumberLength).toString());
    return list;
}
