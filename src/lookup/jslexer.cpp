#include "jslexer.h"

#include "jsnumbertext.h"

#include <cstdint>

namespace jsliteral {

namespace {

[[noreturn]] void Fail(const QString &message, qsizetype position) {
    throw SyntaxError{message, position};
}

int UnitsOf(char32_t cp) {
    return cp > 0xFFFF ? 2 : 1;
}

// AppendCodePoint and UnicodeEscape run once an escape, inside the loops of
// ScanString and ScanName. Left to itself the compiler calls them rather than
// inline them, and a string of escapes takes a sixth longer.
Q_ALWAYS_INLINE void AppendCodePoint(QString &out, char32_t cp) {
    if (cp > 0xFFFF) {
        out.append(QChar(QChar::highSurrogate(cp)));
        out.append(QChar(QChar::lowSurrogate(cp)));
    } else {
        out.append(QChar(char16_t(cp)));
    }
}

// Reads the hex digits of \u{...} from `pos`, just after the brace, and
// the closing brace; returns the code point.
char32_t BracedCodePoint(QStringView text, qsizetype &pos, qsizetype escapeStart) {
    std::uint32_t value = 0;
    bool any = false;
    for (;;) {
        const int c = UnitAt(text, pos);
        if (c == '}')
            break;
        const int h = HexValue(c);
        if (h < 0)
            Fail(QStringLiteral("invalid Unicode escape"), escapeStart);
        value = value * 16 + std::uint32_t(h);
        if (value > 0x10FFFF)
            Fail(QStringLiteral("Unicode escape beyond U+10FFFF"), escapeStart);
        any = true;
        ++pos;
    }
    if (!any)
        Fail(QStringLiteral("invalid Unicode escape"), escapeStart);
    ++pos; // '}'
    return char32_t(value);
}

// Reads the part after "\u" of a Unicode escape from `pos`; returns the
// code point.
Q_ALWAYS_INLINE char32_t UnicodeEscape(QStringView text, qsizetype &pos, qsizetype escapeStart) {
    if (UnitAt(text, pos) == '{') {
        ++pos;
        return BracedCodePoint(text, pos, escapeStart);
    }
    std::uint32_t value = 0;
    for (int k = 0; k < 4; ++k) {
        const int h = HexValue(UnitAt(text, pos));
        if (h < 0)
            Fail(QStringLiteral("invalid Unicode escape"), escapeStart);
        value = value * 16 + std::uint32_t(h);
        ++pos;
    }
    return char32_t(value);
}

// Reads the digits of `radix` from `pos`, with numeric separators when
// `separators`; appends them to `out` and returns whether there was at least
// one. A run of digits is appended at once: a number may be a megabyte long.
bool LexDigits(QStringView text, qsizetype &pos, std::string &out, int radix, bool separators) {
    const auto isDigit = [radix](int c) {
        const int h = HexValue(c);
        return h >= 0 && h < radix;
    };
    if (!isDigit(UnitAt(text, pos)))
        return false;
    for (;;) {
        const qsizetype run = pos;
        while (isDigit(UnitAt(text, pos)))
            ++pos;
        const std::size_t size = out.size();
        out.resize(size + std::size_t(pos - run));
        for (qsizetype i = run; i < pos; ++i)
            out[size + std::size_t(i - run)] = char(text[i].unicode());
        if (UnitAt(text, pos) != '_' || !separators)
            return true;
        if (!isDigit(UnitAt(text, pos + 1)))
            Fail(QStringLiteral("misplaced numeric separator"), pos);
        ++pos;
    }
}

} // namespace

bool IsReservedWord(QStringView name) {
    static constexpr QStringView kReserved[] = {
        u"break",    u"case",    u"catch",  u"class",      u"const", u"continue",
        u"debugger", u"default", u"delete", u"do",         u"else",  u"enum",
        u"export",   u"extends", u"false",  u"finally",    u"for",   u"function",
        u"if",       u"import",  u"in",     u"instanceof", u"new",   u"null",
        u"return",   u"super",   u"switch", u"this",       u"throw", u"true",
        u"try",      u"typeof",  u"var",    u"void",       u"while", u"with",
    };
    // All of them are lower-case words of 2 to 10 letters.
    if (name.size() < 2 || name.size() > 10 || name.front() < u'a' || name.front() > u'z')
        return false;
    for (QStringView word : kReserved) {
        if (name == word)
            return true;
    }
    return false;
}

void Lexer::Fail(const QString &message, qsizetype position) const {
    throw SyntaxError{message, position};
}

QString Lexer::Decoded(const Token &token) const {
    if (!token.escaped)
        return Raw(token).toString();
    QString out;
    if (token.kind == Tok::String)
        ScanString(token.position, nullptr, &out);
    else
        ScanName(token.position, nullptr, &out);
    return out;
}

// Reads the string literal whose opening quote is at `start` and returns
// where it ends. Tells whether it holds escapes; appends its value to
// `out` when one is given.
qsizetype Lexer::ScanString(qsizetype start, bool *escaped, QString *out) const {
    constexpr char32_t kNothing = 0xFFFFFFFF; // a line continuation
    const int quote = At(start);
    qsizetype pos = start + 1;
    qsizetype run = pos; // start of the plain characters not yet appended
    for (;;) {
        const int c = At(pos);
        if (c == kEndOfText)
            Fail(QStringLiteral("unterminated string"), start);
        if (c == quote) {
            if (out)
                out->append(m_s.sliced(run, pos - run));
            return pos + 1;
        }
        if (c == 0x0A || c == 0x0D)
            Fail(QStringLiteral("line break in a string"), pos);
        if (c != '\\') {
            ++pos;
            continue;
        }
        if (escaped)
            *escaped = true;
        if (out)
            out->append(m_s.sliced(run, pos - run));
        const qsizetype escapeStart = pos;
        ++pos;
        const int e = At(pos);
        if (e == kEndOfText)
            Fail(QStringLiteral("unterminated string"), start);
        ++pos;
        char32_t value = kNothing;
        if (e == 'u') { // the usual one: Chinese text often comes as \uXXXX
            value = UnicodeEscape(m_s, pos, escapeStart);
        } else {
            switch (e) {
            case 'n':
                value = u'\n';
                break;
            case 't':
                value = u'\t';
                break;
            case 'r':
                value = u'\r';
                break;
            case 'b':
                value = u'\b';
                break;
            case 'f':
                value = u'\f';
                break;
            case 'v':
                value = u'\v';
                break;
            case 0x0D: // line continuation; CR LF counts as one line break
                if (At(pos) == 0x0A)
                    ++pos;
                break;
            case 0x0A:
            case 0x2028:
            case 0x2029:
                break;
            case 'x': {
                const int h1 = HexValue(At(pos));
                const int h2 = h1 < 0 ? -1 : HexValue(At(pos + 1));
                if (h2 < 0)
                    Fail(QStringLiteral("invalid hexadecimal escape"), escapeStart);
                pos += 2;
                value = char32_t(h1 * 16 + h2);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    // \0 and the legacy octal escapes of sloppy mode: up to
                    // three digits for a value up to \377.
                    int v = e - '0';
                    const int maxMore = e <= '3' ? 2 : 1;
                    for (int k = 0; k < maxMore && At(pos) >= '0' && At(pos) <= '7'; ++k) {
                        v = v * 8 + (At(pos) - '0');
                        ++pos;
                    }
                    value = char32_t(v);
                } else {
                    // \8, \9 and every other character stand for themselves.
                    value = char32_t(e);
                }
                break;
            }
        }
        if (out && value != kNothing)
            AppendCodePoint(*out, value);
        run = pos;
    }
}

// Reads the name that begins at `start` and returns where it ends. Tells
// whether it holds escapes; appends the name to `out` when one is given.
qsizetype Lexer::ScanName(qsizetype start, bool *escaped, QString *out) const {
    qsizetype pos = start;
    bool first = true;
    for (;;) {
        const int c = At(pos);
        char32_t cp;
        if (c == '\\') {
            const qsizetype escapeStart = pos;
            if (At(pos + 1) != 'u')
                Fail(QStringLiteral("invalid escape in a name"), escapeStart);
            pos += 2;
            cp = UnicodeEscape(m_s, pos, escapeStart);
            if (first ? !IsIdStart(cp) : !IsIdPart(cp))
                Fail(QStringLiteral("invalid escape in a name"), escapeStart);
            if (escaped)
                *escaped = true;
        } else {
            if (c == kEndOfText)
                break;
            cp = CodePointAt(pos);
            if (!(first ? IsIdStart(cp) : IsIdPart(cp)))
                break;
            pos += UnitsOf(cp);
        }
        if (out)
            AppendCodePoint(*out, cp);
        first = false;
    }
    return pos;
}

void Lexer::LexNumber(Token &token) {
    const qsizetype start = m_pos;
    const int c0 = At(m_pos);
    const int c1 = At(m_pos + 1);
    double value = 0;
    if (c0 == '0' && (c1 == 'x' || c1 == 'X' || c1 == 'o' || c1 == 'O' || c1 == 'b' || c1 == 'B')) {
        const int lower = c1 | 0x20;
        const int radix = lower == 'x' ? 16 : lower == 'o' ? 8 : 2;
        const int bits = lower == 'x' ? 4 : lower == 'o' ? 3 : 1;
        m_pos += 2;
        m_integer.clear();
        if (!LexDigits(m_s, m_pos, m_integer, radix, true))
            Fail(QStringLiteral("malformed number"), start);
        value = PowerOfTwoRadixValue(m_integer, bits);
    } else if (c0 == '0' && (IsDecimalDigit(c1) || c1 == '_')) {
        // Legacy forms of sloppy mode: 0777 is octal, 089 is decimal.
        if (c1 == '_')
            Fail(QStringLiteral("numeric separator after a leading 0"), start);
        m_integer.clear();
        bool octal = true;
        while (IsDecimalDigit(At(m_pos))) {
            octal = octal && At(m_pos) <= '7';
            m_integer.push_back(char(At(m_pos)));
            ++m_pos;
        }
        if (At(m_pos) == '_')
            Fail(QStringLiteral("numeric separator in a legacy number"), m_pos);
        if (octal) {
            value = PowerOfTwoRadixValue(m_integer, 3);
        } else {
            value = LexDecimalRest(m_integer, start);
        }
    } else {
        m_integer.clear();
        if (c0 == '0') {
            m_integer.push_back('0'); // cleared above
            ++m_pos;
            if (At(m_pos) == '_')
                Fail(QStringLiteral("numeric separator after a leading 0"), m_pos);
        } else if (c0 != '.') {
            LexDigits(m_s, m_pos, m_integer, 10, true);
        }
        value = LexDecimalRest(m_integer, start);
    }
    const int after = At(m_pos);
    if (after == 'n')
        Fail(QStringLiteral("BigInt literals are not supported"), start);
    if (after != kEndOfText &&
        (IsDecimalDigit(after) || after == '\\' || IsIdStart(CodePointAt(m_pos))))
        Fail(QStringLiteral("malformed number"), start);
    token.kind = Tok::Number;
    token.number = value;
}

// The fraction and exponent of a decimal literal whose integer digits are
// read; returns its value.
double Lexer::LexDecimalRest(const std::string &integer, qsizetype start) {
    m_fraction.clear();
    if (At(m_pos) == '.') {
        ++m_pos;
        const bool any = LexDigits(m_s, m_pos, m_fraction, 10, true);
        if (!any && integer.empty())
            Fail(QStringLiteral("malformed number"), start);
    }
    std::int64_t exponent = 0;
    if (At(m_pos) == 'e' || At(m_pos) == 'E') {
        ++m_pos;
        bool negative = false;
        if (At(m_pos) == '+' || At(m_pos) == '-') {
            negative = At(m_pos) == '-';
            ++m_pos;
        }
        m_exponent.clear();
        if (!LexDigits(m_s, m_pos, m_exponent, 10, true))
            Fail(QStringLiteral("malformed exponent"), start);
        for (char d : m_exponent) {
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (d - '0');
        }
        if (negative)
            exponent = -exponent;
    }
    return DecimalValue(integer, m_fraction, exponent, m_scratch);
}

} // namespace jsliteral
