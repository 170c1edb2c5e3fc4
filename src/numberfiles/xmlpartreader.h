#pragma once

#include "workbookreader.h"
#include "xmlstretch.h"

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>

class XlsxPackage;

// How a part's XML is read.
struct XmlPartReading {
    // The local name of the element after whose end tag the part may be cut
    // ("row", "si"): an element that is only ever a child of the elements
    // open at the first such cut, which the stretch rejects otherwise.
    QByteArrayView cutAfter;
    // A new stretch's reader, made on whichever thread reads the stretch.
    std::function<std::unique_ptr<XmlStretch>()> newStretch;
};

// Reads a part's XML as it is inflated, never whole in memory. A part of
// more than a stretch is cut into stretches (xmlcuts.h) that are read at
// once, one on each of the machine's cores, each by a QXmlStreamReader of
// its own that is given the start tags open where its stretch begins; what
// they give is merged in the part's order, so that the part is read as one
// reader would read it. The first stretch ends at the first cut element,
// and is read first, to learn the tags open at the cuts. A stretch holds a
// few megabytes at most: a part without cuts for that long (or in an
// encoding other than UTF-8) is read on as a whole from there. What follows
// the document's end is not read; the part is still inflated to its end,
// where its CRC is checked.
WorkbookFault ReadXmlPart(XlsxPackage &zip, const QString &part, const XmlPartReading &reading,
                          const std::function<bool()> &stopAsked);

// How many bytes a stretch holds before its cut (a megabyte); a test sets
// a few, so that small workbooks are cut too.
class XmlStretchBytes {
public:
    static constexpr qsizetype kDefault = 1 << 20;
    static qsizetype Bytes();
    static void Set(qsizetype bytes);
    static void Reset();
};
