#include "xmlcuts.h"

#include <algorithm>
#include <cstring>

namespace {
// The longest namespace prefix looked back over ("x:", "ss:").
constexpr qsizetype kMaxPrefix = 64;

bool IsPrefixByte(char c) {
    return c != '\0' && !std::strchr("<>/:\"'=!? \t\r\n", c);
}

bool IsBlankByte(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
} // namespace

XmlCutFinder::XmlCutFinder(QByteArrayView localName)
    : m_nameEnd(localName.toByteArray() + '>') {}

qsizetype XmlCutFinder::Next(QByteArrayView bytes, qsizetype from, NextByte &next) {
    if (next.at >= from)
        return next.at;
    const qsizetype start = std::max(from, next.searched);
    if (start < bytes.size()) {
        const void *found =
            std::memchr(bytes.data() + start, next.byte, size_t(bytes.size() - start));
        if (found) {
            next.at = static_cast<const char *>(found) - bytes.data();
            next.searched = next.at + 1;
            return next.at;
        }
    }
    next.at = -1;
    next.searched = std::max(start, bytes.size());
    return -1;
}

void XmlCutFinder::Lex(QByteArrayView bytes) {
    qsizetype at = m_lexed;
    while (at < bytes.size()) {
        if (m_lexing != Lexing::Markup) {
            const QByteArrayView close = m_lexing == Lexing::Comment ? QByteArrayView("-->")
                                         : m_lexing == Lexing::CData ? QByteArrayView("]]>")
                                                                     : QByteArrayView("?>");
            const qsizetype end = bytes.indexOf(close, at);
            if (end < 0) {
                // What could begin the close is looked at again with more.
                m_lexed = std::max(at, bytes.size() - close.size() + 1);
                return;
            }
            at = end + close.size();
            m_hidden.last().second = at;
            m_lexing = Lexing::Markup;
            continue;
        }
        // In markup every '<' begins a tag (text and attribute values hold
        // none), so a comment, a CDATA section or an instruction is a '<'
        // before a '!' or a '?'; both are rare in a sheet.
        const qsizetype bang = Next(bytes, at, m_bang);
        const qsizetype question = Next(bytes, at, m_question);
        const qsizetype mark = bang < 0 ? question : question < 0 ? bang : std::min(bang, question);
        if (mark < 0) {
            m_lexed = bytes.size();
            return;
        }
        if (mark == 0 || bytes[mark - 1] != '<') {
            at = mark + 1;
            continue;
        }
        if (bytes[mark] == '?') {
            m_hidden.append({mark - 1, -1});
            m_lexing = Lexing::Instruction;
            at = mark + 1;
            continue;
        }
        // "![CDATA[" is the longest that tells what follows "<".
        if (bytes.size() - mark < 8) {
            m_lexed = mark;
            return;
        }
        const QByteArrayView rest = bytes.sliced(mark);
        if (rest.startsWith("!--")) {
            m_hidden.append({mark - 1, -1});
            m_lexing = Lexing::Comment;
            at = mark + 3;
        } else if (rest.startsWith("![CDATA[")) {
            m_hidden.append({mark - 1, -1});
            m_lexing = Lexing::CData;
            at = mark + 8;
        } else {
            // A declaration (<!DOCTYPE …>): markup as far as cuts go; a
            // part with one is refused by its reader anyway.
            at = mark + 1;
        }
    }
    m_lexed = at;
}

bool XmlCutFinder::InMarkup(qsizetype at) const {
    // The last comment, section or instruction that begins at or before `at`.
    auto after =
        std::upper_bound(m_hidden.cbegin(), m_hidden.cend(), at,
                         [](qsizetype value, const std::pair<qsizetype, qsizetype> &hidden) {
                             return value < hidden.first;
                         });
    if (after == m_hidden.cbegin())
        return true;
    const auto &hidden = *(after - 1);
    return hidden.second >= 0 && at >= hidden.second;
}

qsizetype XmlCutFinder::EndTagAt(QByteArrayView bytes, qsizetype nameAt) const {
    if (nameAt >= 2 && bytes[nameAt - 1] == '/' && bytes[nameAt - 2] == '<')
        return nameAt - 2;
    if (nameAt < 1 || bytes[nameAt - 1] != ':')
        return -1;
    qsizetype at = nameAt - 2;
    while (at >= 0 && nameAt - 1 - at <= kMaxPrefix && IsPrefixByte(bytes[at]))
        --at;
    if (at == nameAt - 2 || at < 1 || bytes[at] != '/' || bytes[at - 1] != '<')
        return -1;
    return at - 1;
}

qsizetype XmlCutFinder::Find(QByteArrayView bytes, qsizetype from) {
    Lex(bytes);
    const QByteArrayView lexed = bytes.first(m_lexed);
    qsizetype at = std::max(from, m_searched);
    for (;;) {
        const qsizetype name = lexed.indexOf(m_nameEnd, at);
        if (name < 0) {
            m_searched = std::max(at, m_lexed - m_nameEnd.size() + 1);
            return -1;
        }
        const qsizetype tag = EndTagAt(lexed, name);
        if (tag >= 0 && InMarkup(tag)) {
            m_searched = name + m_nameEnd.size();
            return m_searched;
        }
        at = name + 1;
    }
}

void XmlCutFinder::DropFront(qsizetype count) {
    m_lexed = std::max<qsizetype>(m_lexed - count, 0);
    m_searched = std::max<qsizetype>(m_searched - count, 0);
    for (NextByte *next : {&m_bang, &m_question}) {
        next->at = next->at >= count ? next->at - count : -1;
        next->searched = std::max<qsizetype>(next->searched - count, 0);
    }
    // Those that ended before the new front go; one open across it begins
    // there now.
    qsizetype gone = 0;
    while (gone < m_hidden.size() && m_hidden[gone].second >= 0 && m_hidden[gone].second <= count)
        ++gone;
    m_hidden.remove(0, gone);
    for (auto &hidden : m_hidden) {
        hidden.first = std::max<qsizetype>(hidden.first - count, 0);
        if (hidden.second >= 0)
            hidden.second -= count;
    }
}

std::optional<bool> XmlCutsKeepEncoding(QByteArrayView head, bool complete) {
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.sliced(3);
    // Without a declaration Qt's reader takes UTF-8 unless the first bytes
    // are UTF-16's or UTF-32's ("<\0", "\0<"); a declaration may name
    // another encoding.
    const QByteArrayView declaration("<?xml");
    if (!head.startsWith(declaration)) {
        if (declaration.startsWith(head) && !complete)
            return std::nullopt;
        return head.size() >= 2 && head[0] == '<' && head[1] != '\0';
    }
    const qsizetype end = head.indexOf("?>");
    if (end < 0)
        return complete || head.size() > 1024 ? std::optional<bool>(false) : std::nullopt;
    const QByteArrayView attributes = head.first(end);
    qsizetype at = attributes.indexOf("encoding");
    if (at < 0)
        return true;
    at += 8;
    const auto skipBlanks = [&] {
        while (at < attributes.size() && IsBlankByte(attributes[at]))
            ++at;
    };
    skipBlanks();
    if (at >= attributes.size() || attributes[at] != '=')
        return false;
    ++at;
    skipBlanks();
    if (at >= attributes.size() || (attributes[at] != '"' && attributes[at] != '\''))
        return false;
    const char quote = attributes[at++];
    const qsizetype close = attributes.indexOf(quote, at);
    if (close < 0)
        return false;
    return attributes.sliced(at, close - at).compare("utf-8", Qt::CaseInsensitive) == 0;
}
