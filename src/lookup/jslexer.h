#pragma once

// The tokens of a JavaScript literal expression: punctuators, numbers,
// strings and names, and the white space, line terminators and comments
// between them, as ECMAScript 2023 reads a sloppy-mode script. A token points
// into the text; the value of a string and the name of an identifier are
// decoded only when something reads them. A text the lexer cannot read ends
// the whole evaluation: it throws SyntaxError.

#include <QChar>
#include <QString>
#include <QStringView>

#include <string>

namespace jsliteral {

// Why and where (in 16-bit units) the text is not an accepted literal
// expression; thrown by the lexer and the parser alike.
struct SyntaxError {
    QString message;
    qsizetype position = 0;
};

// What UnitAt reads past the end of the text.
inline constexpr int kEndOfText = -1;

// The 16-bit unit at `i` of `text`, or kEndOfText.
inline int UnitAt(QStringView text, qsizetype i) {
    return i < text.size() ? int(text[i].unicode()) : kEndOfText;
}

inline bool IsLineTerminator(int c) {
    return c == 0x0A || c == 0x0D || c == 0x2028 || c == 0x2029;
}

inline bool IsWhiteSpace(int c) {
    if (c == 0x09 || c == 0x0B || c == 0x0C || c == 0x20 || c == 0xA0 || c == 0xFEFF)
        return true;
    return c > 0x7F && QChar::category(char32_t(c)) == QChar::Separator_Space;
}

inline bool IsDecimalDigit(int c) {
    return c >= '0' && c <= '9';
}

// Unicode ID_Start: letters, letter numbers and Other_ID_Start, less the one
// letter that is Pattern_Syntax (U+2E2F).
inline bool IsIdStart(char32_t c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '$' || c == '_';
    if (c == 0x2E2F)
        return false;
    if (c == 0x1885 || c == 0x1886 || c == 0x2118 || c == 0x212E || c == 0x309B || c == 0x309C)
        return true;
    switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_Letter:
        return true;
    default:
        return false;
    }
}

// Unicode ID_Continue plus ZWNJ and ZWJ, as IdentifierPart has it.
inline bool IsIdPart(char32_t c) {
    if (c < 0x80)
        return IsIdStart(c) || (c >= '0' && c <= '9');
    if (IsIdStart(c) || c == 0x200C || c == 0x200D)
        return true;
    if (c == 0x00B7 || c == 0x0387 || (c >= 0x1369 && c <= 0x1371) || c == 0x19DA)
        return true;
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Number_DecimalDigit:
    case QChar::Punctuation_Connector:
        return true;
    default:
        return false;
    }
}

// Words that cannot name a variable in sloppy-mode script code.
bool IsReservedWord(QStringView name);

enum class Tok {
    End,
    Punctuator, // one of { } ( ) [ ] , : . = + -
    Number,
    String,
    Identifier, // also keywords
};

// Most of an answer is never read, and a copy of every string and name would
// cost far more than the parse itself, so a token only points into the text.
struct Token {
    Tok kind = Tok::End;
    char16_t punctuator = 0;
    bool escaped = false; // a string or name that holds escapes
    double number = 0;
    qsizetype position = 0; // the first unit
    qsizetype end = 0;      // one past the last unit
};

// Q_DECL_HIDDEN: nothing outside this library calls the lexer, and a hidden
// class lets the compiler call and inline its members directly, where the
// position-independent build would otherwise go through the symbol table.
class Q_DECL_HIDDEN Lexer {
public:
    explicit Lexer(QStringView source)
        : m_s(source) {}

    // Ends the evaluation: throws SyntaxError{message, position}.
    [[noreturn]] void Fail(const QString &message, qsizetype position) const;

    // Reads the next token into `token` (in place: this is the inner loop of
    // the whole parse).
    void Next(Token &token) {
        SkipBlanksAndComments();
        token.escaped = false;
        token.position = m_pos;
        Lex(token);
        token.end = m_pos;
    }

    // A string's value or an identifier's name.
    QString Decoded(const Token &token) const;

    // The text of a string (without its quotes) or a name, escapes undecoded.
    QStringView Raw(const Token &token) const {
        if (token.kind == Tok::String)
            return m_s.sliced(token.position + 1, token.end - token.position - 2);
        return m_s.sliced(token.position, token.end - token.position);
    }

    // Whether a string's value or an identifier's name is `word`.
    bool Spells(const Token &token, QStringView word) const {
        return token.escaped ? Decoded(token) == word : Raw(token) == word;
    }

private:
    // The token loop is defined here, so that it is compiled into the
    // parser's own loop, and Next is one piece with no calls inside: a comma
    // costs about as much as a call would. Strings, names and numbers are
    // read in jslexer.cpp.
    int At(qsizetype i) const { return UnitAt(m_s, i); }

    // The code point at i (a surrogate pair read as one), or 0xFFFFFFFF past the end.
    char32_t CodePointAt(qsizetype i) const {
        const int c = At(i);
        if (c == kEndOfText)
            return char32_t(0xFFFFFFFF);
        if (QChar::isHighSurrogate(char32_t(c))) {
            const int d = At(i + 1);
            if (d != kEndOfText && QChar::isLowSurrogate(char32_t(d)))
                return QChar::surrogateToUcs4(char16_t(c), char16_t(d));
        }
        return char32_t(c);
    }

    Q_ALWAYS_INLINE void SkipBlanksAndComments() {
        for (;;) {
            const int c = At(m_pos);
            if (c == kEndOfText)
                return;
            if (IsWhiteSpace(c) || IsLineTerminator(c)) {
                ++m_pos;
                continue;
            }
            if (c == '/' && At(m_pos + 1) == '/') {
                m_pos += 2;
                while (At(m_pos) != kEndOfText && !IsLineTerminator(At(m_pos)))
                    ++m_pos;
                continue;
            }
            if (c == '/' && At(m_pos + 1) == '*') {
                const qsizetype start = m_pos;
                const qsizetype close = m_s.indexOf(u"*/", m_pos + 2);
                if (close < 0)
                    Fail(QStringLiteral("unterminated comment"), start);
                m_pos = close + 2;
                continue;
            }
            return;
        }
    }

    Q_ALWAYS_INLINE void Lex(Token &token) {
        const int c = At(m_pos);
        if (c == kEndOfText) {
            token.kind = Tok::End;
            return;
        }
        switch (c) {
        case '{':
        case '}':
        case '(':
        case ')':
        case '[':
        case ']':
        case ',':
        case ':':
            return Punctuator(token, c);
        case '.':
            if (IsDecimalDigit(At(m_pos + 1)))
                return LexNumber(token);
            return Punctuator(token, c);
        case '=':
            if (At(m_pos + 1) == '=' || At(m_pos + 1) == '>')
                Fail(QStringLiteral("operator not allowed"), m_pos);
            return Punctuator(token, c);
        case '+':
        case '-':
            if (At(m_pos + 1) == c || At(m_pos + 1) == '=')
                Fail(QStringLiteral("operator not allowed"), m_pos);
            return Punctuator(token, c);
        case '\'':
        case '"':
            token.kind = Tok::String;
            m_pos = ScanString(m_pos, &token.escaped, nullptr);
            return;
        default:
            break;
        }
        if (IsDecimalDigit(c))
            return LexNumber(token);
        if (c == '\\' || IsIdStart(CodePointAt(m_pos))) {
            token.kind = Tok::Identifier;
            m_pos = ScanName(m_pos, &token.escaped, nullptr);
            return;
        }
        if (c == '`')
            Fail(QStringLiteral("template literals are not allowed"), m_pos);
        if (c == '/')
            Fail(QStringLiteral("regular expressions and division are not allowed"), m_pos);
        if (c == ';')
            Fail(QStringLiteral("statements are not allowed"), m_pos);
        Fail(QStringLiteral("unexpected character"), m_pos);
    }

    void Punctuator(Token &token, int c) {
        ++m_pos;
        token.kind = Tok::Punctuator;
        token.punctuator = char16_t(c);
    }

    qsizetype ScanString(qsizetype start, bool *escaped, QString *out) const;
    qsizetype ScanName(qsizetype start, bool *escaped, QString *out) const;

    void LexNumber(Token &token);
    double LexDecimalRest(const std::string &integer, qsizetype start);

    QStringView m_s;
    qsizetype m_pos = 0;
    // Working space for numbers, kept from one to the next.
    std::string m_integer, m_fraction, m_exponent, m_scratch;
};

} // namespace jsliteral
