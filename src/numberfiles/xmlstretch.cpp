#include "xmlstretch.h"

QStringView LocalName(QStringView name) {
    // Names are short: looked through here rather than by a call.
    for (qsizetype at = name.size(); at-- > 0;) {
        if (name[at] == u':')
            return name.sliced(at + 1);
    }
    return name;
}

XmlStretchReader::XmlStretchReader(XmlStretch &stretch, QByteArrayView cutName, bool keepOpen)
    : m_stretch(stretch)
    , m_cutName(QString::fromLatin1(cutName))
    , m_keepOpen(keepOpen) {
    // The names are read without their prefixes (LocalName), which is all
    // the namespaces would give, at a third of the reader's time. So a
    // stretch needs no declarations of the prefixes it uses.
    m_xml.setNamespaceProcessing(false);
}

void XmlStretchReader::Feed(const QByteArray &bytes) {
    if (m_fault != WorkbookFault::None || m_ended)
        return;
    m_xml.addData(bytes);
    m_sinceToken += bytes.size();
    for (;;) {
        const QXmlStreamReader::TokenType type = m_xml.readNext();
        if (type == QXmlStreamReader::Invalid) {
            if (m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
                m_fault = WorkbookFault::Damaged;
            break;
        }
        m_sinceToken = 0;
        if (type == QXmlStreamReader::DTD) {
            m_fault = WorkbookFault::Damaged;
            return;
        }
        if (type == QXmlStreamReader::EndDocument) {
            m_ended = true;
            return;
        }
        m_lastEndsCut =
            type == QXmlStreamReader::EndElement && LocalName(m_xml.qualifiedName()) == m_cutName;
        if (m_keepOpen) {
            if (type == QXmlStreamReader::StartElement)
                m_open.append(m_xml.qualifiedName().toString());
            else if (type == QXmlStreamReader::EndElement && !m_open.isEmpty())
                m_open.removeLast();
        }
        m_fault = m_stretch.Token(m_xml);
        if (m_fault != WorkbookFault::None)
            return;
    }
    if (m_sinceToken > kMaxBytesWithoutToken)
        m_fault = WorkbookFault::TooLarge;
}

QByteArray XmlStretchReader::OpenTags() const {
    QByteArray tags;
    for (const QString &name : m_open)
        tags += '<' + name.toUtf8() + '>';
    return tags;
}
