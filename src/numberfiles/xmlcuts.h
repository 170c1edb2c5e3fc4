#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

// Where the XML of a part may be cut into stretches that readers of their
// own can read at once: just after an end tag of one element ("</row>",
// "</x:row>"), wherever it stands outside a comment, a CDATA section or a
// processing instruction. The bytes are looked at as they come, each once,
// and only the rare '!' and '?' are searched for until a cut is wanted.
//
// A place found here is a candidate only: the reader of the stretch that
// ends there checks that its last token was that end tag.
class XmlCutFinder {
public:
    // `localName`: the element's name without a prefix, ASCII.
    explicit XmlCutFinder(QByteArrayView localName);

    // The first cut in `bytes` at or after `from`, or -1 if none yet. The
    // bytes are those of earlier calls with more added at their end (and
    // less at their front after DropFront).
    qsizetype Find(QByteArrayView bytes, qsizetype from);
    // The first `count` bytes were taken away.
    void DropFront(qsizetype count);

private:
    enum class Lexing { Markup, Comment, CData, Instruction };
    // The next '!' or '?' at or after `from`, remembered between calls.
    struct NextByte {
        char byte;
        qsizetype at = -1; // found here, or none before `searched`
        qsizetype searched = 0;
    };
    static qsizetype Next(QByteArrayView bytes, qsizetype from, NextByte &next);
    void Lex(QByteArrayView bytes);
    bool InMarkup(qsizetype at) const;
    qsizetype EndTagAt(QByteArrayView bytes, qsizetype nameAt) const;

    QByteArray m_nameEnd; // "row>"
    Lexing m_lexing = Lexing::Markup;
    // How far the bytes were lexed, and where candidates were searched.
    qsizetype m_lexed = 0;
    qsizetype m_searched = 0;
    // Where comments, CDATA sections and instructions stand: [begin, end),
    // end -1 while one is open.
    QList<std::pair<qsizetype, qsizetype>> m_hidden;
    NextByte m_bang{'!'};
    NextByte m_question{'?'};
};

// Whether a part that begins with `head` can be cut at all: its XML is in
// UTF-8, the encoding in which a stretch without the part's declaration is
// read. Nothing while `head` is too short to tell and more is to come.
std::optional<bool> XmlCutsKeepEncoding(QByteArrayView head, bool complete);
