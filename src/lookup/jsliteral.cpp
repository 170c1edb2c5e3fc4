#include "jsliteral.h"

#include "jsglobalnames.h"

#include <QChar>
#include <QSet>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace jsliteral {

namespace {

constexpr int kEndOfText = -1; // "no more text" from Lexer::At()

struct Failure {
    QString message;
    qsizetype position;
};

bool IsLineTerminator(int c) {
    return c == 0x0A || c == 0x0D || c == 0x2028 || c == 0x2029;
}

bool IsWhiteSpace(int c) {
    if (c == 0x09 || c == 0x0B || c == 0x0C || c == 0x20 || c == 0xA0 || c == 0xFEFF)
        return true;
    return c > 0x7F && QChar::category(char32_t(c)) == QChar::Separator_Space;
}

bool IsDecimalDigit(int c) {
    return c >= '0' && c <= '9';
}

int HexValue(int c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Unicode ID_Start: letters, letter numbers and Other_ID_Start, less the one
// letter that is Pattern_Syntax (U+2E2F).
bool IsIdStart(char32_t c) {
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
bool IsIdPart(char32_t c) {
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

// The value of an integer literal written in a power-of-two radix, rounded to
// the nearest double (ties to even), as ECMAScript rounds every literal.
double PowerOfTwoRadixValue(const std::string &digits, int bitsPerDigit) {
    std::uint64_t top = 0; // the first up to 54 significant bits
    int topBits = 0;
    bool sticky = false;
    std::int64_t bitLength = 0;
    for (char ch : digits) {
        const int digit = HexValue(ch);
        for (int b = bitsPerDigit - 1; b >= 0; --b) {
            const int bit = (digit >> b) & 1;
            if (bitLength == 0 && bit == 0)
                continue;
            ++bitLength;
            if (topBits < 54) {
                top = (top << 1) | std::uint64_t(bit);
                ++topBits;
            } else if (bit) {
                sticky = true;
            }
        }
    }
    if (bitLength == 0)
        return 0;
    if (bitLength > 1100)
        return std::numeric_limits<double>::infinity();
    if (topBits <= 53)
        return double(top); // exact
    std::uint64_t mantissa = top >> 1;
    const bool half = top & 1;
    if (half && (sticky || (mantissa & 1)))
        ++mantissa;
    // mantissa holds the first 53 bits; the value is mantissa * 2^(bitLength - 53).
    return std::ldexp(double(mantissa), int(bitLength - 53));
}

// The value of a decimal literal, correctly rounded. `integer` and `fraction`
// are digit strings (either may be empty), `exponent` is saturated; `scratch`
// is working space, kept by the caller so that a long run of numbers does not
// allocate for each one.
double DecimalValue(const std::string &integer, const std::string &fraction, std::int64_t exponent,
                    std::string &scratch) {
    std::string &text = scratch;
    text.assign(integer).append(fraction);
    const std::size_t firstNonZero = text.find_first_not_of('0');
    if (firstNonZero == std::string::npos)
        return 0;
    text.erase(0, firstNonZero);
    const std::int64_t scale = exponent - std::int64_t(fraction.size());
    // Decimal exponent of the leading digit.
    const std::int64_t lead = std::int64_t(text.size()) - 1 + scale;
    if (lead > 400)
        return std::numeric_limits<double>::infinity();
    if (lead < -400)
        return 0;
    if (scale == 0 && text.size() <= 15) {
        // Up to 15 digits are exact in a double: no rounding to do.
        double value = 0;
        for (char digit : text)
            value = value * 10 + (digit - '0');
        return value;
    }
    char exponentText[24];
    const auto written = std::to_chars(exponentText, exponentText + sizeof exponentText, scale);
    text.push_back('e');
    text.append(exponentText, written.ptr);
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range)
        return lead > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    if (ec != std::errc() || ptr != text.data() + text.size())
        return std::numeric_limits<double>::quiet_NaN(); // cannot happen: the digits were checked
    return value;
}

// Canonical array index ("0", "17", not "017"), or -1.
qsizetype ArrayIndex(QStringView name) {
    if (name.isEmpty() || name.size() > 10)
        return -1;
    if (name.size() > 1 && name.front() == u'0')
        return -1;
    qint64 index = 0;
    for (QChar ch : name) {
        if (ch < u'0' || ch > u'9')
            return -1;
        index = index * 10 + (ch.unicode() - '0');
    }
    return index < 4294967295LL ? qsizetype(index) : -1;
}

enum class Tok {
    End,
    Punctuator, // one of { } ( ) [ ] , : . = + -
    Number,
    String,
    Identifier, // also keywords
};

// A token points into the text. The value of a string and the name of an
// identifier are decoded only when something reads them: most of an answer
// is never read, and a copy of every string and name would cost far more
// than the parse itself.
struct Token {
    Tok kind = Tok::End;
    char16_t punctuator = 0;
    bool escaped = false; // a string or name that holds escapes
    double number = 0;
    qsizetype position = 0; // the first unit
    qsizetype end = 0;      // one past the last unit
};

class Lexer {
public:
    explicit Lexer(QStringView source)
        : m_s(source) {}

    [[noreturn]] void Fail(const QString &message, qsizetype position) const {
        throw Failure{message, position};
    }

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
    QString Decoded(const Token &token) const {
        if (!token.escaped)
            return Raw(token).toString();
        QString out;
        if (token.kind == Tok::String)
            ScanString(token.position, nullptr, &out);
        else
            ScanName(token.position, nullptr, &out);
        return out;
    }

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
    void Lex(Token &token) {
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

    int At(qsizetype i) const { return i < m_s.size() ? int(m_s[i].unicode()) : kEndOfText; }

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

    static int UnitsOf(char32_t cp) { return cp > 0xFFFF ? 2 : 1; }

    void SkipBlanksAndComments() {
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

    // Reads the hex digits of \u{...} from `pos`, just after the brace, and
    // the closing brace; returns the code point.
    char32_t BracedCodePoint(qsizetype &pos, qsizetype escapeStart) const {
        std::uint32_t value = 0;
        bool any = false;
        for (;;) {
            const int c = At(pos);
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
    char32_t UnicodeEscape(qsizetype &pos, qsizetype escapeStart) const {
        if (At(pos) == '{') {
            ++pos;
            return BracedCodePoint(pos, escapeStart);
        }
        std::uint32_t value = 0;
        for (int k = 0; k < 4; ++k) {
            const int h = HexValue(At(pos));
            if (h < 0)
                Fail(QStringLiteral("invalid Unicode escape"), escapeStart);
            value = value * 16 + std::uint32_t(h);
            ++pos;
        }
        return char32_t(value);
    }

    static void AppendCodePoint(QString &out, char32_t cp) {
        if (cp > 0xFFFF) {
            out.append(QChar(QChar::highSurrogate(cp)));
            out.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            out.append(QChar(char16_t(cp)));
        }
    }

    // Reads the string literal whose opening quote is at `start` and returns
    // where it ends. Tells whether it holds escapes; appends its value to
    // `out` when one is given.
    qsizetype ScanString(qsizetype start, bool *escaped, QString *out) const {
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
            case 'u':
                value = UnicodeEscape(pos, escapeStart);
                break;
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
            if (out && value != kNothing)
                AppendCodePoint(*out, value);
            run = pos;
        }
    }

    // Reads the name that begins at `start` and returns where it ends. Tells
    // whether it holds escapes; appends the name to `out` when one is given.
    qsizetype ScanName(qsizetype start, bool *escaped, QString *out) const {
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
                cp = UnicodeEscape(pos, escapeStart);
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
    // Decimal digits with numeric separators; appends them to `out` and
    // returns whether there was at least one.
    bool LexDigits(std::string &out, int radix, bool separators) {
        const auto isDigit = [radix](int c) {
            const int h = HexValue(c);
            return h >= 0 && h < radix;
        };
        if (!isDigit(At(m_pos)))
            return false;
        for (;;) {
            const int c = At(m_pos);
            if (isDigit(c)) {
                out.push_back(char(c));
                ++m_pos;
            } else if (c == '_' && separators) {
                if (!isDigit(At(m_pos + 1)))
                    Fail(QStringLiteral("misplaced numeric separator"), m_pos);
                ++m_pos;
            } else {
                return true;
            }
        }
    }

    void LexNumber(Token &token) {
        const qsizetype start = m_pos;
        const int c0 = At(m_pos);
        const int c1 = At(m_pos + 1);
        double value = 0;
        if (c0 == '0' &&
            (c1 == 'x' || c1 == 'X' || c1 == 'o' || c1 == 'O' || c1 == 'b' || c1 == 'B')) {
            const int lower = c1 | 0x20;
            const int radix = lower == 'x' ? 16 : lower == 'o' ? 8 : 2;
            const int bits = lower == 'x' ? 4 : lower == 'o' ? 3 : 1;
            m_pos += 2;
            m_integer.clear();
            if (!LexDigits(m_integer, radix, true))
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
                m_integer = "0";
                ++m_pos;
                if (At(m_pos) == '_')
                    Fail(QStringLiteral("numeric separator after a leading 0"), m_pos);
            } else if (c0 != '.') {
                LexDigits(m_integer, 10, true);
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
    double LexDecimalRest(const std::string &integer, qsizetype start) {
        m_fraction.clear();
        if (At(m_pos) == '.') {
            ++m_pos;
            const bool any = LexDigits(m_fraction, 10, true);
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
            if (!LexDigits(m_exponent, 10, true))
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

    QStringView m_s;
    qsizetype m_pos = 0;
    // Working space for numbers, kept from one to the next.
    std::string m_integer, m_fraction, m_exponent, m_scratch;
};

// An operand as the parser sees it: a value, or a name or member access that
// only an assignment may use.
struct Operand {
    enum class Kind { Value, Name, Member } kind = Kind::Value;
    Value value;
    // Name and Member: the name (of the base, for a member access). A string
    // value: its literal, decoded into value.string only when it is read.
    Token token;
    bool textPending = false;
};

// Every object reaches the prototypes that all literals share through these
// members, so an assignment through them could change any answer.
constexpr QStringView kSharedMemberNames[] = {u"__proto__", u"prototype", u"constructor"};

class Parser {
public:
    // Only the properties named in `wanted` are kept, of the objects and
    // arrays whose contents can be read: the value of the whole expression
    // and its prototypes.
    Parser(QStringView source, int maxDepth, const QStringList &wanted)
        : m_lexer(source)
        , m_maxDepth(maxDepth)
        , m_wanted(wanted) {
        for (int i = 0; i < wanted.size(); ++i) {
            const QString &name = wanted[i];
            m_wantsLength = m_wantsLength || name == u"length";
            if (const qsizetype index = ArrayIndex(name); index >= 0)
                m_wantedIndexes.append({index, i});
            // What a numeric key can be named: a non-negative number as
            // Number::toString writes it.
            if (name == u"Infinity" || (!name.isEmpty() && IsDecimalDigit(name.front().unicode())))
                m_wantsNumericKeys = true;
        }
    }

    Value ParseWhole() {
        Advance();
        Value value = Resolve(ParseExpression(true), true);
        if (m_token.kind != Tok::End)
            Unexpected();
        return value;
    }

private:
    void Advance() { m_lexer.Next(m_token); }

    bool IsPunctuator(char16_t p) const {
        return m_token.kind == Tok::Punctuator && m_token.punctuator == p;
    }

    [[noreturn]] void Fail(const QString &message) const {
        m_lexer.Fail(message, m_token.position);
    }

    [[noreturn]] void Unexpected() const {
        if (m_token.kind == Tok::End)
            Fail(QStringLiteral("unexpected end of text"));
        if (m_token.kind == Tok::Punctuator &&
            (m_token.punctuator == u'(' || m_token.punctuator == u'.' ||
             m_token.punctuator == u'['))
            Fail(QStringLiteral("calls and member reads are not allowed"));
        if (m_token.kind == Tok::Punctuator &&
            (m_token.punctuator == u'+' || m_token.punctuator == u'-'))
            Fail(QStringLiteral("operators are not allowed"));
        Fail(QStringLiteral("unexpected token"));
    }

    void Expect(char16_t p) {
        if (!IsPunctuator(p))
            Unexpected();
        Advance();
    }

    void Enter() {
        if (++m_depth > m_maxDepth)
            Fail(QStringLiteral("nested too deeply"));
    }
    void Leave() { --m_depth; }

    // The value of an operand; a string's text is decoded when `withText`.
    Value Resolve(Operand &&operand, bool withText) const {
        if (operand.kind == Operand::Kind::Value) {
            if (operand.textPending && withText)
                operand.value.string = m_lexer.Decoded(operand.token);
            return std::move(operand.value);
        }
        if (operand.kind == Operand::Kind::Name) {
            Value v;
            if (m_lexer.Spells(operand.token, u"undefined"))
                return v;
            const bool isNaN = m_lexer.Spells(operand.token, u"NaN");
            if (isNaN || m_lexer.Spells(operand.token, u"Infinity")) {
                v.type = Value::Type::Number;
                v.number = isNaN ? std::numeric_limits<double>::quiet_NaN()
                                 : std::numeric_limits<double>::infinity();
                return v;
            }
            m_lexer.Fail(QStringLiteral("unknown name \"%1\"").arg(m_lexer.Decoded(operand.token)),
                         m_operandPosition);
        }
        m_lexer.Fail(QStringLiteral("member reads are not allowed"), m_operandPosition);
    }

    // The operand as a value that nothing can be assigned to; a string's text
    // stays undecoded until it is read.
    Operand AsValue(Operand &&operand) const {
        if (operand.kind == Operand::Kind::Value)
            return std::move(operand);
        Operand result;
        result.value = Resolve(std::move(operand), false);
        return result;
    }

    // Expression: AssignmentExpression (, AssignmentExpression)*
    Operand ParseExpression(bool wanted) {
        Operand operand = ParseAssignment(wanted);
        if (!IsPunctuator(u','))
            return operand;
        while (IsPunctuator(u',')) {
            Resolve(std::move(operand), false); // a bare unknown name is an error anyway
            Advance();
            operand = ParseAssignment(wanted);
        }
        // A comma expression is a value, never an assignment target, in
        // parentheses or not: "(0, a) = 1" is an error in JavaScript.
        return AsValue(std::move(operand));
    }

    // AssignmentExpression, restricted to target = target = ... = value.
    Operand ParseAssignment(bool wanted) {
        bool assigned = false;
        for (;;) {
            const qsizetype position = m_token.position;
            Operand operand = ParseUnary(wanted);
            if (IsPunctuator(u'=')) {
                NoteTarget(operand, position);
                Advance();
                assigned = true;
                continue;
            }
            m_operandPosition = position;
            return assigned ? AsValue(std::move(operand)) : std::move(operand);
        }
    }

    // Checks an assignment target and remembers its name. A real engine
    // fails on a member of an undeclared name, and we accept that failure as
    // a plain assignment; but a member of a name that exists, whether the
    // engine has it or the answer assigns it, changes objects we cannot see
    // (Object.prototype.province = …), or fails, so it is refused.
    void NoteTarget(const Operand &target, qsizetype position) {
        if (target.kind == Operand::Kind::Value)
            m_lexer.Fail(QStringLiteral("invalid assignment target"), position);
        QString decodedName;
        if (target.token.escaped)
            decodedName = m_lexer.Decoded(target.token);
        const QStringView name =
            target.token.escaped ? QStringView(decodedName) : m_lexer.Raw(target.token);
        // Names are remembered by a 64-bit hash, which keeps the memory small
        // however many names an answer assigns; two names that hash alike can
        // only make an answer be refused.
        const size_t key = qHash(name, 0);
        const bool isMember = target.kind == Operand::Kind::Member;
        // The global __proto__ is an accessor: assigning to it changes the
        // global object's prototype, and with it which names are declared.
        if (!isMember && name == u"__proto__")
            m_lexer.Fail(QStringLiteral("assignment to __proto__"), position);
        if (isMember && IsGlobalName(name))
            m_lexer.Fail(QStringLiteral("assignment to a member of \"%1\"").arg(name.toString()),
                         position);
        if ((isMember ? m_assignedNames : m_memberBases).contains(key))
            m_lexer.Fail(
                QStringLiteral("\"%1\" is assigned and has a member assigned").arg(name.toString()),
                position);
        (isMember ? m_memberBases : m_assignedNames).insert(key);
    }

    Operand ParseUnary(bool wanted) {
        bool negate = false;
        bool signed_ = false;
        const qsizetype position = m_token.position;
        while (IsPunctuator(u'+') || IsPunctuator(u'-')) {
            negate ^= m_token.punctuator == u'-';
            signed_ = true;
            Advance();
        }
        const qsizetype operandPosition = m_token.position;
        Operand operand = ParsePrimary(wanted && !signed_);
        if (!signed_)
            return operand;
        m_operandPosition = operandPosition;
        Operand result;
        result.value = Resolve(std::move(operand), false);
        if (result.value.type != Value::Type::Number)
            m_lexer.Fail(QStringLiteral("a sign applies to numbers only"), position);
        if (negate)
            result.value.number = -result.value.number;
        return result;
    }

    Operand ParsePrimary(bool wanted) {
        Operand operand;
        switch (m_token.kind) {
        case Tok::Number:
            operand.value.type = Value::Type::Number;
            operand.value.number = m_token.number;
            Advance();
            return operand;
        case Tok::String:
            operand.value.type = Value::Type::String;
            operand.token = m_token;
            operand.textPending = true;
            Advance();
            return operand;
        case Tok::Identifier:
            return ParseNameOrKeyword();
        case Tok::Punctuator:
            switch (m_token.punctuator) {
            case u'{':
                operand.value = ParseObject(wanted);
                return operand;
            case u'[':
                operand.value = ParseArray(wanted);
                return operand;
            case u'(': {
                Enter();
                Advance();
                Operand inner = ParseExpression(wanted);
                Expect(u')');
                Leave();
                // (name) and (a.b) stay assignable, as in JavaScript.
                return inner;
            }
            default:
                break;
            }
            break;
        case Tok::End:
            break;
        }
        Unexpected();
    }

    Operand ParseNameOrKeyword() {
        Operand operand;
        operand.token = m_token;
        QString decodedName;
        if (m_token.escaped)
            decodedName = m_lexer.Decoded(m_token);
        const QStringView name = m_token.escaped ? QStringView(decodedName) : m_lexer.Raw(m_token);
        if (m_token.escaped && IsReservedWord(name))
            Fail(QStringLiteral("a keyword must not contain escapes"));
        if (name == u"true" || name == u"false") {
            operand.value.type = Value::Type::Boolean;
            operand.value.boolean = name == u"true";
            Advance();
            return operand;
        }
        if (name == u"null") {
            operand.value.type = Value::Type::Null;
            Advance();
            return operand;
        }
        const bool isThis = name == u"this";
        if (!isThis && IsReservedWord(name))
            Fail(QStringLiteral("\"%1\" is not allowed").arg(name.toString()));
        operand.kind = Operand::Kind::Name;
        Advance();
        if (!IsPunctuator(u'.') && !IsPunctuator(u'[')) {
            if (isThis)
                Fail(QStringLiteral("\"this\" may only be assigned to a member of"));
            return operand;
        }
        if (name == u"undefined")
            Fail(QStringLiteral("undefined has no members"));
        // Member accesses: only an assignment target may have them.
        operand.kind = Operand::Kind::Member;
        for (;;) {
            if (IsPunctuator(u'.')) {
                Advance();
                if (m_token.kind != Tok::Identifier)
                    Unexpected();
                for (QStringView shared : kSharedMemberNames) {
                    if (m_lexer.Spells(m_token, shared))
                        Fail(QStringLiteral("assignment through \"%1\" is not allowed")
                                 .arg(shared.toString()));
                }
                Advance();
            } else if (IsPunctuator(u'[')) {
                Enter();
                Advance();
                const qsizetype position = m_token.position;
                Operand key = ParseExpression(false);
                m_operandPosition = position;
                const Value keyValue = Resolve(std::move(key), true);
                if (keyValue.IsContainer())
                    m_lexer.Fail(QStringLiteral("a member name must not be an object or array"),
                                 position);
                // Only a string can spell one of those names.
                for (QStringView shared : kSharedMemberNames) {
                    if (keyValue.type == Value::Type::String && keyValue.string == shared)
                        m_lexer.Fail(QStringLiteral("assignment through \"%1\" is not allowed")
                                         .arg(shared.toString()),
                                     position);
                }
                Expect(u']');
                Leave();
            } else {
                return operand;
            }
        }
    }

    // A property value or element as stored: an object or array keeps its
    // type but not its contents (nothing reads them).
    static Value Stored(Value value) {
        value.container.reset();
        return value;
    }

    // The position of the wanted name that the key of a property spells, or -1.
    qsizetype WantedKey(const Token &key) const {
        if (key.kind == Tok::Number)
            return m_wantsNumericKeys ? m_wanted.indexOf(NumberToString(key.number)) : -1;
        if (key.escaped)
            return m_wanted.indexOf(m_lexer.Decoded(key));
        const QStringView raw = m_lexer.Raw(key);
        for (qsizetype i = 0; i < m_wanted.size(); ++i) {
            if (m_wanted[i] == raw)
                return i;
        }
        return -1;
    }

    // The position of the wanted name that is array index `index`, or -1.
    qsizetype WantedElement(qsizetype index) const {
        for (const auto &[wantedIndex, name] : m_wantedIndexes) {
            if (wantedIndex == index)
                return name;
        }
        return -1;
    }

    // An object literal. When `wanted`, its contents can be read and the
    // wanted properties and the prototype are kept; otherwise only its type.
    Value ParseObject(bool wanted) {
        Enter();
        Advance(); // '{'
        std::shared_ptr<Container> object;
        const auto contents = [&object] {
            if (!object)
                object = std::make_shared<Container>();
            return object.get();
        };
        bool sawProto = false;
        while (!IsPunctuator(u'}')) {
            const Token key = m_token;
            if (key.kind != Tok::Identifier && key.kind != Tok::String && key.kind != Tok::Number)
                Unexpected();
            Advance();
            if (!IsPunctuator(u':'))
                Fail(QStringLiteral("expected \":\" (methods, getters and shorthand properties "
                                    "are not allowed)"));
            Advance();
            const bool protoKey = key.kind != Tok::Number && m_lexer.Spells(key, u"__proto__");
            const qsizetype valuePosition = m_token.position;
            Operand operand = ParseAssignment(wanted && protoKey);
            m_operandPosition = valuePosition;
            if (protoKey) {
                if (sawProto)
                    m_lexer.Fail(QStringLiteral("duplicate __proto__"), key.position);
                sawProto = true;
                Value prototype = Resolve(std::move(operand), false);
                // A prototype with nothing kept (null, a primitive, which is
                // ignored, or a literal without wanted contents) reads as the
                // default one does.
                if (wanted && prototype.container)
                    contents()->prototype = std::move(prototype);
            } else {
                const qsizetype index = wanted ? WantedKey(key) : -1;
                Value value = Resolve(std::move(operand), index >= 0);
                if (index >= 0)
                    contents()->properties.insert(m_wanted[index], Stored(std::move(value)));
            }
            if (IsPunctuator(u','))
                Advance();
            else if (!IsPunctuator(u'}'))
                Unexpected();
        }
        Advance(); // '}'
        Leave();
        Value result;
        result.type = Value::Type::Object;
        result.container = std::move(object);
        return result;
    }

    // An array literal; as ParseObject, it keeps only the wanted elements
    // (and its length), and only when `wanted`.
    Value ParseArray(bool wanted) {
        Enter();
        Advance(); // '['
        std::shared_ptr<Container> array;
        qsizetype length = 0;
        while (!IsPunctuator(u']')) {
            if (IsPunctuator(u',')) {
                ++length; // a hole
                Advance();
                continue;
            }
            const qsizetype position = m_token.position;
            const qsizetype index = wanted ? WantedElement(length) : -1;
            Operand operand = ParseAssignment(false);
            m_operandPosition = position;
            Value value = Resolve(std::move(operand), index >= 0);
            if (index >= 0) {
                if (!array)
                    array = std::make_shared<Container>();
                array->properties.insert(m_wanted[index], Stored(std::move(value)));
            }
            ++length;
            if (IsPunctuator(u','))
                Advance();
            else if (!IsPunctuator(u']'))
                Unexpected();
        }
        Advance(); // ']'
        Leave();
        if (wanted && m_wantsLength && !array)
            array = std::make_shared<Container>();
        if (array)
            array->length = length;
        Value result;
        result.type = Value::Type::Array;
        result.container = std::move(array);
        return result;
    }

    Lexer m_lexer;
    Token m_token;
    int m_depth = 0;
    int m_maxDepth;
    qsizetype m_operandPosition = 0; // where the operand being resolved began

    const QStringList &m_wanted;
    bool m_wantsLength = false;
    bool m_wantsNumericKeys = false;
    QList<std::pair<qsizetype, qsizetype>> m_wantedIndexes; // array index, position in m_wanted

    // Names assigned to, and names whose members are assigned to (hashes).
    QSet<size_t> m_assignedNames;
    QSet<size_t> m_memberBases;
};

// Positions in `error` are shifted by `positionShift` and kept within
// [0, visibleLength].
std::optional<Value> Evaluate(QStringView source, const QStringList &wanted, int maxDepth,
                              qsizetype positionShift, qsizetype visibleLength,
                              EvaluationError *error) {
    try {
        Parser parser(source, maxDepth, wanted);
        return parser.ParseWhole();
    } catch (const Failure &failure) {
        if (error) {
            error->message = failure.message;
            error->position = qBound(qsizetype(0), failure.position + positionShift, visibleLength);
        }
        return std::nullopt;
    }
}

} // namespace

std::optional<Value> EvaluateParenthesized(QStringView answer, const QStringList &wanted,
                                           EvaluationError *error) {
    if (answer.size() > kMaxSourceLength) {
        if (error)
            *error = {QStringLiteral("text too long"), 0};
        return std::nullopt;
    }
    QString wrapped;
    wrapped.reserve(answer.size() + 2);
    wrapped.append(u'(');
    wrapped.append(answer);
    wrapped.append(u')');
    // The wrapping parenthesis is one level more than the answer's own.
    return Evaluate(wrapped, wanted, kMaxNesting + 1, -1, answer.size(), error);
}

Value GetProperty(const Value &value, const QString &name) {
    const Value *current = &value;
    // A prototype chain is no longer than the text's nesting is deep.
    for (int guard = 0; guard <= kMaxNesting + 1 && current->IsContainer() && current->container;
         ++guard) {
        const Container &c = *current->container;
        if (current->type == Value::Type::Array && name == u"length") {
            Value length;
            length.type = Value::Type::Number;
            length.number = double(c.length);
            return length;
        }
        const auto it = c.properties.constFind(name);
        if (it != c.properties.constEnd())
            return it.value();
        current = &c.prototype; // Undefined (the default) or Null end the chain
    }
    // Object.prototype and Array.prototype hold functions and accessors only,
    // nothing with text: they read as undefined here.
    return {};
}

QString ToText(const Value &value) {
    switch (value.type) {
    case Value::Type::Undefined:
        return QStringLiteral("undefined");
    case Value::Type::Null:
        return QStringLiteral("null");
    case Value::Type::Boolean:
        return value.boolean ? QStringLiteral("true") : QStringLiteral("false");
    case Value::Type::Number:
        return NumberToString(value.number);
    case Value::Type::String:
        return value.string;
    case Value::Type::Object:
    case Value::Type::Array:
        break;
    }
    return {};
}

QString NumberToString(double number) {
    if (std::isnan(number))
        return QStringLiteral("NaN");
    if (number == 0)
        return QStringLiteral("0"); // -0 too
    if (std::isinf(number))
        return number < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");

    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(number),
                                      std::chars_format::scientific);
    // buffer holds d[.ddd]e(+|-)xx, the shortest digits that round-trip.
    const std::string_view text(buffer, std::size_t(result.ptr - buffer));
    const std::size_t e = text.find('e');
    std::string digits;
    for (char ch : text.substr(0, e)) {
        if (ch != '.')
            digits.push_back(ch);
    }
    const int exponent = std::stoi(std::string(text.substr(e + 1)));
    const int k = int(digits.size());
    const int n = exponent + 1; // the value is 0.digits * 10^n

    std::string out = number < 0 ? "-" : "";
    if (k <= n && n <= 21) {
        out += digits;
        out.append(std::size_t(n - k), '0');
    } else if (0 < n && n <= 21) {
        out += digits.substr(0, std::size_t(n));
        out += '.';
        out += digits.substr(std::size_t(n));
    } else if (-6 < n && n <= 0) {
        out += "0.";
        out.append(std::size_t(-n), '0');
        out += digits;
    } else {
        out += digits[0];
        if (k > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'e';
        out += n - 1 >= 0 ? '+' : '-';
        out += std::to_string(std::abs(n - 1));
    }
    return QString::fromLatin1(out);
}

} // namespace jsliteral
