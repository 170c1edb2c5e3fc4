#include "xlsxworkbook.h"

#include "sheetcolumns.h"
#include "xlsxpackage.h"
#include "xlsxsheet.h"

#include <QHash>
#include <QList>
#include <QXmlStreamReader>

namespace {
// The small parts (the workbook and its relationships) are read whole; no
// workbook's come near this.
constexpr qint64 kMaxSmallPart = 16LL << 20;

struct Relationship {
    QString type;
    QString target; // the part it names, resolved, without a leading "/"
};

// The part a relationship's target names, seen from the part `from`.
QString ResolvePart(const QString &from, const QString &target) {
    QStringList segments;
    if (!target.startsWith(QLatin1Char('/'))) {
        segments = from.split(QLatin1Char('/'));
        segments.removeLast();
    }
    for (const QString &segment : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (segment == QLatin1String(".."))
            !segments.isEmpty() ? segments.removeLast() : void();
        else if (segment != QLatin1String("."))
            segments.append(segment);
    }
    return segments.join(QLatin1Char('/'));
}

// The relationships part of `part`: "xl/workbook.xml" → "xl/_rels/workbook.xml.rels".
QString RelationshipsOf(const QString &part) {
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) +
           QStringLiteral(".rels");
}

bool TypeIs(const QString &type, QLatin1String kind) {
    return type.endsWith(QLatin1Char('/') + QString(kind));
}

// The relationships of a part by their ids; Damaged when the part is
// there but is no XML of relationships.
WorkbookFault ReadRelationships(XlsxPackage &zip, const QString &relsPart, const QString &from,
                                QHash<QString, Relationship> &relationships) {
    QByteArray bytes;
    if (const WorkbookFault fault = zip.ReadPart(relsPart, bytes, kMaxSmallPart);
        fault != WorkbookFault::None)
        return fault;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::DTD)
            return WorkbookFault::Damaged;
        if (!xml.isStartElement() || xml.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (attributes.value(QLatin1String("TargetMode")) == QLatin1String("External"))
            continue;
        relationships.insert(
            attributes.value(QLatin1String("Id")).toString(),
            {attributes.value(QLatin1String("Type")).toString(),
             ResolvePart(from, attributes.value(QLatin1String("Target")).toString())});
    }
    return xml.hasError() ? WorkbookFault::Damaged : WorkbookFault::None;
}

// The relationship id of a <sheet>: its attribute "id" in the namespace of
// relationships (transitional or strict, whatever its prefix).
QString SheetRelationshipId(const QXmlStreamAttributes &attributes) {
    for (const QXmlStreamAttribute &attribute : attributes) {
        if (attribute.name() == QLatin1String("id") && !attribute.namespaceUri().isEmpty())
            return attribute.value().toString();
    }
    return QString();
}

struct WorkbookParts {
    QStringList sheets; // the worksheets, in the workbook's order
    QString sharedStrings;
};

// The workbook's part and what it names: NotAWorkbook when the package is
// an Office document of another kind (its main part is no <workbook>) or
// no Office document at all.
WorkbookFault FindWorkbookParts(XlsxPackage &zip, WorkbookParts &parts) {
    const QString packageRels = QStringLiteral("_rels/.rels");
    if (!zip.Has(packageRels))
        return WorkbookFault::NotAWorkbook;
    QHash<QString, Relationship> top;
    if (const WorkbookFault fault = ReadRelationships(zip, packageRels, QString(), top);
        fault != WorkbookFault::None)
        return fault;
    QString workbookPart;
    for (const Relationship &relationship : std::as_const(top)) {
        if (TypeIs(relationship.type, QLatin1String("officeDocument")))
            workbookPart = relationship.target;
    }
    if (workbookPart.isEmpty() || !zip.Has(workbookPart))
        return WorkbookFault::NotAWorkbook;

    QByteArray bytes;
    if (const WorkbookFault fault = zip.ReadPart(workbookPart, bytes, kMaxSmallPart);
        fault != WorkbookFault::None)
        return fault;
    QXmlStreamReader xml(bytes);
    QStringList sheetIds;
    bool root = true;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::DTD)
            return WorkbookFault::Damaged;
        if (!xml.isStartElement())
            continue;
        if (root && xml.name() != QLatin1String("workbook"))
            return WorkbookFault::NotAWorkbook;
        root = false;
        if (xml.name() == QLatin1String("sheet"))
            sheetIds.append(SheetRelationshipId(xml.attributes()));
    }
    if (xml.hasError())
        return root ? WorkbookFault::NotAWorkbook : WorkbookFault::Damaged;

    const QString relsPart = RelationshipsOf(workbookPart);
    if (!zip.Has(relsPart))
        return WorkbookFault::Damaged;
    QHash<QString, Relationship> relationships;
    if (const WorkbookFault fault = ReadRelationships(zip, relsPart, workbookPart, relationships);
        fault != WorkbookFault::None)
        return fault;
    for (const QString &id : std::as_const(sheetIds)) {
        const auto found = relationships.constFind(id);
        // A chart sheet or a dialog sheet holds no cells.
        if (found != relationships.constEnd() && TypeIs(found->type, QLatin1String("worksheet")))
            parts.sheets.append(found->target);
    }
    for (const Relationship &relationship : std::as_const(relationships)) {
        if (TypeIs(relationship.type, QLatin1String("sharedStrings")))
            parts.sharedStrings = relationship.target;
    }
    return WorkbookFault::None;
}
} // namespace

WorkbookNumbers ReadXlsxWorkbook(const QString &path,
                                 const std::function<bool(QStringView)> &isNumber,
                                 const std::function<bool()> &stopAsked) {
    XlsxPackage zip(path);
    if (zip.OpenFault() != WorkbookFault::None)
        return {zip.OpenFault(), {}};
    WorkbookParts parts;
    if (const WorkbookFault fault = FindWorkbookParts(zip, parts); fault != WorkbookFault::None)
        return {fault, {}};

    SharedStrings strings;
    if (!parts.sharedStrings.isEmpty() && zip.Has(parts.sharedStrings)) {
        if (const WorkbookFault fault =
                ReadSharedStrings(zip, parts.sharedStrings, isNumber, stopAsked, strings);
            fault != WorkbookFault::None)
            return {fault, {}};
    }
    for (const QString &sheet : std::as_const(parts.sheets)) {
        SheetColumns columns(isNumber);
        if (const WorkbookFault fault = ReadSheet(zip, sheet, strings, stopAsked, columns);
            fault != WorkbookFault::None)
            return {fault, {}};
        if (columns.HoldsNumbers())
            return {WorkbookFault::None, columns.ChosenColumn()};
    }
    return {WorkbookFault::NoNumbers, {}};
}
