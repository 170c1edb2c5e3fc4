#include "xlsxsheet.h"

#include "mobilenumber.h"
#include "xmlpartreader.h"

#include <limits>

namespace {
// No cell of Excel's holds more than 32,767 characters; a cell's text of a
// million characters is no sheet that any program wrote.
constexpr qsizetype kMaxCellText = 1 << 20;

constexpr quint32 kNotEmpty = 1u << 31;
constexpr int kRankShift = 29;
constexpr quint32 kNumberMask = (1u << kRankShift) - 1;

// A row without its number ("r") follows the one before.
constexpr qint64 kNextRow = std::numeric_limits<qint64>::min();

// The elements of the sheets and of the shared strings that are read, by
// their names without a prefix; told apart by their length first, as one
// is told for each start and end tag.
enum class Element { Other, SheetData, Row, Cell, Value, Inline, Text, Phonetic, String };

Element ElementOf(QXmlStreamReader &xml) {
    const QStringView name = LocalName(xml.qualifiedName());
    switch (name.size()) {
    case 1:
        return name[0] == u'c'   ? Element::Cell
               : name[0] == u'v' ? Element::Value
               : name[0] == u't' ? Element::Text
                                 : Element::Other;
    case 2:
        return name == u"is" ? Element::Inline : name == u"si" ? Element::String : Element::Other;
    case 3:
        return name == u"row" ? Element::Row : name == u"rPh" ? Element::Phonetic : Element::Other;
    case 9:
        return name == u"sheetData" ? Element::SheetData : Element::Other;
    default:
        return Element::Other;
    }
}

// The column of a cell reference ("AB12" → 27), or -1.
int ColumnOfReference(QStringView reference) {
    int column = 0, letters = 0;
    for (const QChar c : reference) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            break;
        column = column * 26 + (c.unicode() - u'A' + 1);
        if (++letters > 3)
            return -1;
    }
    return letters == 0 ? -1 : column - 1;
}

// Appends a text's characters to a cell's, false past the limit.
bool AppendText(QString &text, QStringView more) {
    if (text.size() + more.size() > kMaxCellText)
        return false;
    text.append(more);
    return true;
}

// The digits of a number cell's value that is a plain whole number of up
// to fifteen digits, as nearly every one is, without its leading zeros:
// what NumberCellText gives for it, without reading it as a double through
// the locale's rules. Empty for any other value.
QStringView WholeNumberDigits(QStringView value) {
    if (value.isEmpty() || value.size() > 15)
        return {};
    for (const QChar c : value) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
    }
    qsizetype zeros = 0;
    while (zeros + 1 < value.size() && value[zeros] == QLatin1Char('0'))
        ++zeros;
    return value.sliced(zeros);
}

// One stretch of the shared strings part: <sst> with an <si> for each
// string, its text in <t>, that of a rich text's runs in <r><t>; <rPh>
// holds the reading of a Japanese text, which is not the text.
class StringsStretch final : public XmlStretch {
public:
    StringsStretch(const std::function<bool(QStringView)> &isNumber, SharedStrings &strings)
        : m_isNumber(isNumber)
        , m_strings(strings) {}

    WorkbookFault Token(QXmlStreamReader &xml) override;
    WorkbookFault Merge() override;

private:
    const std::function<bool(QStringView)> &m_isNumber;
    SharedStrings &m_strings;
    SharedStrings m_read;
    QString m_text, m_number;
    int m_depth = 0;
    bool m_inString = false, m_inText = false;
    int m_phonetic = 0;
};

WorkbookFault StringsStretch::Token(QXmlStreamReader &xml) {
    switch (xml.tokenType()) {
    case QXmlStreamReader::StartElement: {
        ++m_depth;
        const Element element = ElementOf(xml);
        if (element == Element::String) {
            // A string is a child of <sst>, nowhere else.
            if (m_depth != 2)
                return WorkbookFault::Damaged;
            m_inString = true;
            m_inText = false;
            m_phonetic = 0;
            m_text.resize(0);
        } else if (!m_inString) {
            break;
        } else if (element == Element::Phonetic) {
            ++m_phonetic;
        } else if (element == Element::Text) {
            m_inText = m_phonetic == 0;
        }
        break;
    }
    case QXmlStreamReader::Characters:
        if (m_inText && !AppendText(m_text, xml.text()))
            return WorkbookFault::TooLarge;
        break;
    case QXmlStreamReader::EndElement: {
        --m_depth;
        if (!m_inString)
            break;
        const Element element = ElementOf(xml);
        if (element == Element::Text) {
            m_inText = false;
        } else if (element == Element::Phonetic) {
            --m_phonetic;
        } else if (element == Element::String) {
            m_inString = false;
            // Any shared string may stand in a header row.
            if (!m_read.Add(EvaluateCellText(m_text, true, m_isNumber, m_number)))
                return WorkbookFault::TooLarge;
        }
        break;
    }
    default:
        break;
    }
    return WorkbookFault::None;
}

WorkbookFault StringsStretch::Merge() {
    const qsizetype count = m_read.Size();
    for (qsizetype i = 0; i < count; ++i) {
        if (!m_strings.Add(m_read.At(i)))
            return WorkbookFault::TooLarge;
    }
    m_read.Clear();
    return WorkbookFault::None;
}

// Where the stretches of a sheet are merged, in order.
struct SheetMerge {
    SheetColumns &columns;
    qint64 row = -1; // the last row's, counted from 0
};

// One stretch of a worksheet part: <worksheet><sheetData> with its <row>s,
// each with its cells <c>, a cell's value in <v> or its inline text in
// <is><t>. The cells are evaluated here, on the stretch's thread; the rows
// are numbered and the cells given to the columns when merged.
class SheetStretch final : public XmlStretch {
public:
    SheetStretch(const SharedStrings &strings, SheetMerge &merge)
        : m_strings(strings)
        , m_isNumber(merge.columns.IsNumber())
        , m_merge(merge) {}

    WorkbookFault Token(QXmlStreamReader &xml) override;
    WorkbookFault Merge() override;

private:
    WorkbookFault StartElement(QXmlStreamReader &xml);
    WorkbookFault EndCell();
    void AddText(QStringView text);
    void AddCell(const SheetCell &cell);

    const SharedStrings &m_strings;
    const std::function<bool(QStringView)> &m_isNumber;
    SheetMerge &m_merge;

    int m_depth = 0;
    bool m_sheetDataSeen = false, m_inSheetData = false, m_inRow = false, m_inCell = false;
    // What a cell's type ("t") says its value is.
    enum class Kind { Number, Shared, Inline, Text };
    int m_column = -1;
    Kind m_kind = Kind::Number;
    QString m_value, m_inlineText, m_number;
    bool m_inValue = false, m_inInline = false, m_inText = false, m_hasValue = false;
    int m_phonetic = 0;

    // What the stretch read since it was last merged: the rows begun, each
    // with where its cells begin (those before the first follow on in the
    // row before), the cells that are not empty, and their numbers.
    struct Row {
        qint64 number; // counted from 0, or kNextRow
        qsizetype cells;
    };
    struct Cell {
        int column;
        int headerRank;
        bool number;
    };
    QList<Row> m_rows;
    QList<Cell> m_cells;
    QString m_numbers;
    // Rows begun in the stretch, and the first of them with a cell that is
    // not empty: the sheet's header row, if it is in this stretch.
    qint64 m_rowsBegun = 0;
    qint64 m_filledRow = -1;
};

WorkbookFault SheetStretch::Token(QXmlStreamReader &xml) {
    switch (xml.tokenType()) {
    case QXmlStreamReader::StartElement:
        ++m_depth;
        return StartElement(xml);
    case QXmlStreamReader::Characters:
        if (m_inValue && !AppendText(m_value, xml.text()))
            return WorkbookFault::TooLarge;
        if (m_inText && !AppendText(m_inlineText, xml.text()))
            return WorkbookFault::TooLarge;
        break;
    case QXmlStreamReader::EndElement: {
        --m_depth;
        switch (ElementOf(xml)) {
        case Element::Value:
            m_inValue = false;
            break;
        case Element::Text:
            m_inText = false;
            break;
        case Element::Phonetic:
            --m_phonetic;
            break;
        case Element::Inline:
            m_inInline = false;
            break;
        case Element::Cell:
            m_inCell = false;
            return EndCell();
        case Element::Row:
            m_inRow = false;
            break;
        case Element::SheetData:
            if (m_depth == 1)
                m_inSheetData = false;
            break;
        default:
            // What follows the cells (merged ranges, page setup) is read
            // too, though of no use here: only at the part's end is its
            // CRC checked, the one check a part stored without deflating
            // has.
            break;
        }
        break;
    }
    default:
        break;
    }
    return WorkbookFault::None;
}

WorkbookFault SheetStretch::StartElement(QXmlStreamReader &xml) {
    switch (ElementOf(xml)) {
    case Element::Cell: {
        // A cell is a child of a row.
        if (!m_inRow || m_depth != 4)
            return WorkbookFault::Damaged;
        const QXmlStreamAttributes attributes = xml.attributes();
        const QStringView reference = attributes.value(QLatin1String("r"));
        m_column = reference.isEmpty() ? m_column + 1 : ColumnOfReference(reference);
        if (m_column < 0)
            return WorkbookFault::Damaged;
        if (m_column >= SheetColumns::kMaxColumns)
            return WorkbookFault::TooLarge;
        const QStringView type = attributes.value(QLatin1String("t"));
        m_kind = type.isEmpty() || type == QLatin1String("n") ? Kind::Number
                 : type == QLatin1String("s")                 ? Kind::Shared
                 : type == QLatin1String("inlineStr")         ? Kind::Inline
                                                              : Kind::Text;
        m_value.resize(0);
        m_inlineText.resize(0);
        m_inCell = true;
        m_hasValue = m_inValue = m_inInline = m_inText = false;
        m_phonetic = 0;
        break;
    }
    case Element::Row: {
        // A row is a child of the <sheetData>, the root's child.
        if (!m_inSheetData || m_depth != 3)
            return WorkbookFault::Damaged;
        const QStringView number = xml.attributes().value(QLatin1String("r"));
        qint64 row = kNextRow;
        if (!number.isEmpty()) {
            bool ok = false;
            row = number.toLongLong(&ok) - 1;
            if (!ok)
                return WorkbookFault::Damaged;
        }
        m_rows.append({row, m_cells.size()});
        ++m_rowsBegun;
        m_inRow = true;
        m_column = -1;
        break;
    }
    case Element::SheetData:
        if (m_depth == 2) {
            if (m_sheetDataSeen)
                return WorkbookFault::Damaged;
            m_sheetDataSeen = m_inSheetData = true;
        }
        break;
    // Elsewhere <v>, <is> and <t> are not a cell's.
    case Element::Value:
        if (m_inCell)
            m_inValue = m_hasValue = true;
        break;
    case Element::Inline:
        if (m_inCell)
            m_inInline = true;
        break;
    case Element::Phonetic:
        if (m_inCell)
            ++m_phonetic;
        break;
    case Element::Text:
        if (m_inCell)
            m_inText = m_inInline && m_phonetic == 0;
        break;
    default:
        break;
    }
    return WorkbookFault::None;
}

// A cell ends: what it holds is kept for the merge.
WorkbookFault SheetStretch::EndCell() {
    switch (m_kind) {
    case Kind::Shared: {
        if (!m_hasValue)
            return WorkbookFault::None;
        bool ok = false;
        const qint64 index = QStringView(m_value).trimmed().toLongLong(&ok);
        if (!ok || index < 0 || index >= m_strings.Size())
            return WorkbookFault::Damaged;
        AddCell(m_strings.At(index));
        break;
    }
    case Kind::Inline:
        AddText(m_inlineText);
        break;
    case Kind::Number:
        if (const QStringView digits = WholeNumberDigits(m_value); !digits.isEmpty()) {
            AddText(digits);
        } else {
            bool ok = false;
            const double number = m_value.toDouble(&ok);
            AddText(ok ? NumberCellText(number) : m_value);
        }
        break;
    case Kind::Text:
        // A formula's text ("str"), an error ("e"), a boolean ("b") or a
        // date written as text ("d"): the text as it stands.
        AddText(m_value);
        break;
    }
    return WorkbookFault::None;
}

void SheetStretch::AddText(QStringView text) {
    // The header row's cells are ranked as names: any row may be it until
    // one has a cell that is not empty.
    const bool header = m_filledRow < 0 || m_filledRow == m_rowsBegun;
    AddCell(EvaluateCellText(text, header, m_isNumber, m_number));
}

void SheetStretch::AddCell(const SheetCell &cell) {
    if (cell.empty)
        return;
    if (m_filledRow < 0)
        m_filledRow = m_rowsBegun;
    // A number is kept in exactly eleven characters; isNumber takes no other.
    const bool number = cell.number.size() == kMobileNumberLength;
    if (number)
        m_numbers.append(cell.number);
    m_cells.append({m_column, cell.headerRank, number});
}

WorkbookFault SheetStretch::Merge() {
    SheetColumns &columns = m_merge.columns;
    qsizetype numberAt = 0;
    const auto addCells = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            const Cell &cell = m_cells[i];
            SheetCell sheetCell;
            sheetCell.empty = false;
            sheetCell.headerRank = cell.headerRank;
            if (cell.number) {
                sheetCell.number = QStringView(m_numbers).sliced(numberAt, kMobileNumberLength);
                numberAt += kMobileNumberLength;
            }
            if (!columns.AddCell(m_merge.row, cell.column, sheetCell))
                return false;
        }
        return true;
    };
    WorkbookFault fault = WorkbookFault::None;
    // The cells of the row that was open when the stretch was last merged.
    if (!addCells(0, m_rows.isEmpty() ? m_cells.size() : m_rows.first().cells))
        fault = WorkbookFault::TooLarge;
    for (qsizetype r = 0; r < m_rows.size() && fault == WorkbookFault::None; ++r) {
        const qint64 number = m_rows[r].number;
        const qint64 next = number == kNextRow ? m_merge.row + 1 : number;
        // Rows come in their order, each once.
        if (number != kNextRow && next <= m_merge.row) {
            fault = WorkbookFault::Damaged;
            break;
        }
        if (next >= SheetColumns::kMaxRows) {
            fault = WorkbookFault::TooLarge;
            break;
        }
        m_merge.row = next;
        const qsizetype end = r + 1 < m_rows.size() ? m_rows[r + 1].cells : m_cells.size();
        if (!addCells(m_rows[r].cells, end))
            fault = WorkbookFault::TooLarge;
    }
    m_rows.resize(0);
    m_cells.resize(0);
    m_numbers.resize(0);
    return fault;
}
} // namespace

bool SharedStrings::Add(const SheetCell &cell) {
    if (m_entries.size() >= kMaxStrings)
        return false;
    quint32 entry = cell.empty ? 0 : kNotEmpty;
    entry |= quint32(cell.headerRank & 3) << kRankShift;
    if (cell.number.size() == kMobileNumberLength) {
        const qsizetype index = m_numbers.size() / kMobileNumberLength;
        if (index >= SheetColumns::kMaxKeptNumbers)
            return false;
        m_numbers.append(cell.number);
        entry |= quint32(index + 1);
    }
    m_entries.append(entry);
    return true;
}

SheetCell SharedStrings::At(qsizetype index) const {
    const quint32 entry = m_entries.at(index);
    SheetCell cell;
    cell.empty = !(entry & kNotEmpty);
    cell.headerRank = int((entry >> kRankShift) & 3);
    if (const quint32 number = entry & kNumberMask)
        cell.number = QStringView(m_numbers).sliced(qsizetype(number - 1) * kMobileNumberLength,
                                                    kMobileNumberLength);
    return cell;
}

void SharedStrings::Clear() {
    m_entries.resize(0);
    m_numbers.resize(0);
}

WorkbookFault ReadSharedStrings(XlsxPackage &zip, const QString &part,
                                const std::function<bool(QStringView)> &isNumber,
                                const std::function<bool()> &stopAsked, SharedStrings &strings) {
    XmlPartReading reading;
    reading.cutAfter = "si";
    reading.newStretch = [&]() -> std::unique_ptr<XmlStretch> {
        return std::make_unique<StringsStretch>(isNumber, strings);
    };
    return ReadXmlPart(zip, part, reading, stopAsked);
}

WorkbookFault ReadSheet(XlsxPackage &zip, const QString &part, const SharedStrings &strings,
                        const std::function<bool()> &stopAsked, SheetColumns &columns) {
    SheetMerge merge{columns};
    XmlPartReading reading;
    reading.cutAfter = "row";
    reading.newStretch = [&]() -> std::unique_ptr<XmlStretch> {
        return std::make_unique<SheetStretch>(strings, merge);
    };
    return ReadXmlPart(zip, part, reading, stopAsked);
}
