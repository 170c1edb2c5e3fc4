#include "xlsxsheet.h"

#include "mobilenumber.h"
#include "xlsxpackage.h"

#include <QXmlStreamReader>

namespace {
// No cell of Excel's holds more than 32,767 characters; XML of a few
// megabytes with no tag in it, or a cell's text of a million characters,
// is no sheet that any program wrote.
constexpr qint64 kMaxBytesWithoutToken = 4LL << 20;
constexpr qsizetype kMaxCellText = 1 << 20;

constexpr quint32 kNotEmpty = 1u << 31;
constexpr int kRankShift = 29;
constexpr quint32 kNumberMask = (1u << kRankShift) - 1;

// What a part's handler says after a token: go on, stop early with what it
// has (the rest of the part is of no use), or a fault.
struct Verdict {
    bool done = false;
    WorkbookFault fault = WorkbookFault::None;
};

// Feeds a part to an XML reader piece by piece as it is inflated and hands
// every token to `token`. A document type declaration is refused: no
// part of a workbook has one, and its entities could be made to grow.
WorkbookFault StreamXml(XlsxPackage &zip, const QString &part,
                        const std::function<bool()> &stopAsked,
                        const std::function<Verdict(QXmlStreamReader &)> &token) {
    QXmlStreamReader xml;
    // The parts' names are read without their prefixes (LocalName), which
    // is all the namespaces would give, at a third of the reader's time.
    xml.setNamespaceProcessing(false);
    WorkbookFault fault = WorkbookFault::None;
    bool done = false;
    qint64 sinceToken = 0;
    const WorkbookFault zipFault = zip.StreamPart(part, [&](QByteArrayView piece) {
        if (stopAsked()) {
            fault = WorkbookFault::Stopped;
            return false;
        }
        if (done)
            return true;
        xml.addData(piece.toByteArray());
        sinceToken += piece.size();
        for (;;) {
            const QXmlStreamReader::TokenType type = xml.readNext();
            if (type == QXmlStreamReader::Invalid) {
                if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                    break;
                fault = WorkbookFault::Damaged;
                return false;
            }
            sinceToken = 0;
            if (type == QXmlStreamReader::DTD) {
                fault = WorkbookFault::Damaged;
                return false;
            }
            if (type == QXmlStreamReader::EndDocument) {
                // Read on to the part's end, where its CRC is checked.
                done = true;
                return true;
            }
            const Verdict verdict = token(xml);
            if (verdict.fault != WorkbookFault::None || verdict.done) {
                fault = verdict.fault;
                done = verdict.done;
                return false;
            }
        }
        if (sinceToken > kMaxBytesWithoutToken) {
            fault = WorkbookFault::TooLarge;
            return false;
        }
        return true;
    });
    if (fault != WorkbookFault::None)
        return fault;
    if (zipFault != WorkbookFault::None)
        return zipFault;
    // A part that ends before its XML does was cut short.
    return done ? WorkbookFault::None : WorkbookFault::Damaged;
}

// An element's or attribute's name without its namespace prefix.
QStringView LocalName(QStringView name) {
    const qsizetype colon = name.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? name : name.sliced(colon + 1);
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

WorkbookFault ReadSharedStrings(XlsxPackage &zip, const QString &part,
                                const std::function<bool(QStringView)> &isNumber,
                                const std::function<bool()> &stopAsked, SharedStrings &strings) {
    QString text, number;
    bool inString = false, inText = false;
    int phonetic = 0; // inside <rPh>, the reading of a Japanese text, not the text
    return StreamXml(zip, part, stopAsked, [&](QXmlStreamReader &xml) -> Verdict {
        switch (xml.tokenType()) {
        case QXmlStreamReader::StartElement:
            if (LocalName(xml.qualifiedName()) == QLatin1String("si")) {
                inString = true;
                text.resize(0);
            } else if (LocalName(xml.qualifiedName()) == QLatin1String("rPh")) {
                ++phonetic;
            } else if (LocalName(xml.qualifiedName()) == QLatin1String("t")) {
                inText = inString && phonetic == 0;
            }
            break;
        case QXmlStreamReader::Characters:
            if (inText && !AppendText(text, xml.text()))
                return {false, WorkbookFault::TooLarge};
            break;
        case QXmlStreamReader::EndElement:
            if (LocalName(xml.qualifiedName()) == QLatin1String("t")) {
                inText = false;
            } else if (LocalName(xml.qualifiedName()) == QLatin1String("rPh")) {
                --phonetic;
            } else if (LocalName(xml.qualifiedName()) == QLatin1String("si")) {
                inString = false;
                // Any shared string may stand in a header row.
                if (!strings.Add(EvaluateCellText(text, true, isNumber, number)))
                    return {false, WorkbookFault::TooLarge};
            }
            break;
        default:
            break;
        }
        return {};
    });
}

WorkbookFault ReadSheet(XlsxPackage &zip, const QString &part, const SharedStrings &strings,
                        const std::function<bool()> &stopAsked, SheetColumns &columns) {
    qint64 row = -1;
    int column = -1;
    QString type, value, inlineText;
    bool inValue = false, inInline = false, inText = false;
    int phonetic = 0;
    bool hasValue = false;

    // A cell ends: what it holds goes to the columns.
    const auto endCell = [&]() -> WorkbookFault {
        if (type == QLatin1String("s")) {
            if (!hasValue)
                return WorkbookFault::None;
            bool ok = false;
            const qint64 index = value.trimmed().toLongLong(&ok);
            if (!ok || index < 0 || index >= strings.Size())
                return WorkbookFault::Damaged;
            columns.AddCell(row, column, strings.At(index));
        } else if (type == QLatin1String("inlineStr")) {
            columns.AddText(row, column, inlineText);
        } else if (type.isEmpty() || type == QLatin1String("n")) {
            bool ok = false;
            const double number = value.toDouble(&ok);
            columns.AddText(row, column, ok ? NumberCellText(number) : value);
        } else {
            // A formula's text ("str"), an error ("e"), a boolean ("b") or a
            // date written as text ("d"): the text as it stands.
            columns.AddText(row, column, value);
        }
        return columns.WithinLimits() ? WorkbookFault::None : WorkbookFault::TooLarge;
    };

    return StreamXml(zip, part, stopAsked, [&](QXmlStreamReader &xml) -> Verdict {
        switch (xml.tokenType()) {
        case QXmlStreamReader::StartElement: {
            const QStringView name = LocalName(xml.qualifiedName());
            if (name == QLatin1String("c")) {
                const QXmlStreamAttributes attributes = xml.attributes();
                const QStringView reference = attributes.value(QLatin1String("r"));
                column = reference.isEmpty() ? column + 1 : ColumnOfReference(reference);
                if (column < 0 || row < 0)
                    return {false, WorkbookFault::Damaged};
                if (column >= SheetColumns::kMaxColumns)
                    return {false, WorkbookFault::TooLarge};
                type = attributes.value(QLatin1String("t")).toString();
                value.resize(0);
                inlineText.resize(0);
                hasValue = false;
            } else if (name == QLatin1String("v")) {
                inValue = true;
                hasValue = true;
            } else if (name == QLatin1String("is")) {
                inInline = true;
            } else if (name == QLatin1String("rPh")) {
                ++phonetic;
            } else if (name == QLatin1String("t")) {
                inText = inInline && phonetic == 0;
            } else if (name == QLatin1String("row")) {
                const QStringView number = xml.attributes().value(QLatin1String("r"));
                qint64 next = row + 1;
                if (!number.isEmpty()) {
                    bool ok = false;
                    next = number.toLongLong(&ok) - 1;
                    // Rows come in their order, each once.
                    if (!ok || next <= row)
                        return {false, WorkbookFault::Damaged};
                }
                if (next >= SheetColumns::kMaxRows)
                    return {false, WorkbookFault::TooLarge};
                row = next;
                column = -1;
            }
            break;
        }
        case QXmlStreamReader::Characters:
            if (inValue && !AppendText(value, xml.text()))
                return {false, WorkbookFault::TooLarge};
            if (inText && !AppendText(inlineText, xml.text()))
                return {false, WorkbookFault::TooLarge};
            break;
        case QXmlStreamReader::EndElement: {
            const QStringView name = LocalName(xml.qualifiedName());
            if (name == QLatin1String("v")) {
                inValue = false;
            } else if (name == QLatin1String("t")) {
                inText = false;
            } else if (name == QLatin1String("rPh")) {
                --phonetic;
            } else if (name == QLatin1String("is")) {
                inInline = false;
            } else if (name == QLatin1String("c")) {
                if (const WorkbookFault fault = endCell(); fault != WorkbookFault::None)
                    return {false, fault};
            }
            // What follows the cells (merged ranges, page setup) is read
            // too, though of no use here: only at the part's end is its CRC
            // checked, the one check a part stored without deflating has.
            break;
        }
        default:
            break;
        }
        return {};
    });
}
