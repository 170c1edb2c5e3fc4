#pragma once

#include "workbookreader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <QXmlStreamReader>

// What the tokens of a part's XML are read into, a stretch of the part at a
// time (xmlpartreader.h): Token() runs on whichever thread reads the
// stretch, Merge() on the thread that reads the part, stretch after stretch
// in the part's order. A stretch begins just after the end tag of a cut
// element, with the elements open there opened again before it.
class XmlStretch {
public:
    virtual ~XmlStretch() = default;
    // One token of the stretch; a fault ends the part there.
    virtual WorkbookFault Token(QXmlStreamReader &xml) = 0;
    // Adds what the tokens so far gave to the part's result, and forgets
    // it. A fault that only the stretches before could tell (rows going
    // back, too many numbers) ends the part there.
    virtual WorkbookFault Merge() = 0;
};

// Reads one stretch with a QXmlStreamReader of its own, fed as the bytes
// come, and hands each token to an XmlStretch. A document type declaration
// is refused: no part of a workbook has one, and its entities could be made
// to grow.
class XmlStretchReader {
public:
    // XML of a few megabytes with no tag in it is no part that any program
    // wrote; the reader would hold it all. Fed piece by piece, a reader
    // refuses (TooLarge) more bytes than this without a token.
    static constexpr qint64 kMaxBytesWithoutToken = 4LL << 20;

    // `cutName`: the local name of the element after whose end tag the
    // part is cut. `keepOpen`: keep the names of the elements open at the
    // stretch's end (for the part's first stretch).
    XmlStretchReader(XmlStretch &stretch, QByteArrayView cutName, bool keepOpen);

    // Reads every token that the bytes fed so far complete.
    void Feed(const QByteArray &bytes);

    // A fault in the XML or the stretch's; once there is one, or the
    // document ended, whatever is fed is not read.
    WorkbookFault Fault() const { return m_fault; }
    // The document's end was read: what follows it is not.
    bool Ended() const { return m_ended; }
    // The last token read was the end tag of a cut element: the stretch
    // ends where a cut was made.
    bool EndsAtCut() const { return m_lastEndsCut; }
    // The start tags of the elements open at the stretch's end ("<worksheet>
    // <sheetData>"), which open each stretch after it.
    QByteArray OpenTags() const;

private:
    XmlStretch &m_stretch;
    QString m_cutName;
    bool m_keepOpen;
    QXmlStreamReader m_xml;
    QStringList m_open;
    WorkbookFault m_fault = WorkbookFault::None;
    bool m_ended = false;
    bool m_lastEndsCut = false;
    qint64 m_sinceToken = 0;
};

// An element's or attribute's name without its namespace prefix.
QStringView LocalName(QStringView name);
