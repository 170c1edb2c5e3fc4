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

constexpr int EndOfText = -1; // "no more text" from Lexer::at()

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
    static constexpr QStringView reserved[] = {
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
    for (QStringView word : reserved) {
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

    [[noreturn]] void fail(const QString &message, qsizetype position) const {
        throw Failure{message, position};
    }

    // Reads the next token into `token` (in place: this is the inner loop of
    // the whole parse).
    void next(Token &token) {
        skipBlanksAndComments();
        token.escaped = false;
        token.position = m_pos;
        lex(token);
        token.end = m_pos;
    }

    // A string's value or an identifier's name.
    QString decoded(const Token &token) const {
        if (!token.escaped)
            return raw(token).toString();
        QString out;
        if (token.kind == Tok::String)
            scanString(token.position, nullptr, &out);
        else
            scanName(token.position, nullptr, &out);
        return out;
    }

    // The text of a string (without its quotes) or a name, escapes undecoded.
    QStringView raw(const Token &token) const {
        if (token.kind == Tok::String)
            return m_s.sliced(token.position + 1, token.end - token.position - 2);
        return m_s.sliced(token.position, token.end - token.position);
    }

    // Whether a string's value or an identifier's name is `word`.
    bool spells(const Token &token, QStringView word) const {
        return token.escaped ? decoded(token) == word : raw(token) == word;
    }

private:
    void lex(Token &token) {
        const int c = at(m_pos);
        if (c == EndOfText) {
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
            return punctuator(token, c);
        case '.':
            if (IsDecimalDigit(at(m_pos + 1)))
                return lexNumber(token);
            return punctuator(token, c);
        case '=':
            if (at(m_pos + 1) == '=' || at(m_pos + 1) == '>')
                fail(QStringLiteral("operator not allowed"), m_pos);
            return punctuator(token, c);
        case '+':
        case '-':
            if (at(m_pos + 1) == c || at(m_pos + 1) == '=')
                fail(QStringLiteral("operator not allowed"), m_pos);
            return punctuator(token, c);
        case '\'':
        case '"':
            token.kind = Tok::String;
            m_pos = scanString(m_pos, &token.escaped, nullptr);
            return;
        default:
            break;
        }
        if (IsDecimalDigit(c))
            return lexNumber(token);
        if (c == '\\' || IsIdStart(codePointAt(m_pos))) {
            token.kind = Tok::Identifier;
            m_pos = scanName(m_pos, &token.escaped, nullptr);
            return;
        }
        if (c == '`')
            fail(QStringLiteral("template literals are not allowed"), m_pos);
        if (c == '/')
            fail(QStringLiteral("regular expressions and division are not allowed"), m_pos);
        if (c == ';')
            fail(QStringLiteral("statements are not allowed"), m_pos);
        fail(QStringLiteral("unexpected character"), m_pos);
    }

    void punctuator(Token &token, int c) {
        ++m_pos;
        token.kind = Tok::Punctuator;
        token.punctuator = char16_t(c);
    }

    int at(qsizetype i) const { return i < m_s.size() ? int(m_s[i].unicode()) : EndOfText; }

    // The code point at i (a surrogate pair read as one), or 0xFFFFFFFF past the end.
    char32_t codePointAt(qsizetype i) const {
        const int c = at(i);
        if (c == EndOfText)
            return char32_t(0xFFFFFFFF);
        if (QChar::isHighSurrogate(char32_t(c))) {
            const int d = at(i + 1);
            if (d != EndOfText && QChar::isLowSurrogate(char32_t(d)))
                return QChar::surrogateToUcs4(char16_t(c), char16_t(d));
        }
        return char32_t(c);
    }

    static int unitsOf(char32_t cp) { return cp > 0xFFFF ? 2 : 1; }

    void skipBlanksAndComments() {
        for (;;) {
            const int c = at(m_pos);
            if (c == EndOfText)
                return;
            if (IsWhiteSpace(c) || IsLineTerminator(c)) {
                ++m_pos;
                continue;
            }
            if (c == '/' && at(m_pos + 1) == '/') {
                m_pos += 2;
                while (at(m_pos) != EndOfText && !IsLineTerminator(at(m_pos)))
                    ++m_pos;
                continue;
            }
            if (c == '/' && at(m_pos + 1) == '*') {
                const qsizetype start = m_pos;
                const qsizetype close = m_s.indexOf(u"*/", m_pos + 2);
                if (close < 0)
                    fail(QStringLiteral("unterminated comment"), start);
                m_pos = close + 2;
                continue;
            }
            return;
        }
    }

    // Reads the hex digits of \u{...} from `pos`, just after the brace, and
    // the closing brace; returns the code point.
    char32_t bracedCodePoint(qsizetype &pos, qsizetype escapeStart) const {
        std::uint32_t value = 0;
        bool any = false;
        for (;;) {
            const int c = at(pos);
            if (c == '}')
                break;
            const int h = HexValue(c);
            if (h < 0)
                fail(QStringLiteral("invalid Unicode escape"), escapeStart);
            value = value * 16 + std::uint32_t(h);
            if (value > 0x10FFFF)
                fail(QStringLiteral("Unicode escape beyond U+10FFFF"), escapeStart);
            any = true;
            ++pos;
        }
        if (!any)
            fail(QStringLiteral("invalid Unicode escape"), escapeStart);
        ++pos; // '}'
        return char32_t(value);
    }

    // Reads the part after "\u" of a Unicode escape from `pos`; returns the
    // code point.
    char32_t unicodeEscape(qsizetype &pos, qsizetype escapeStart) const {
        if (at(pos) == '{') {
            ++pos;
            return bracedCodePoint(pos, escapeStart);
        }
        std::uint32_t value = 0;
        for (int k = 0; k < 4; ++k) {
            const int h = HexValue(at(pos));
            if (h < 0)
                fail(QStringLiteral("invalid Unicode escape"), escapeStart);
            value = value * 16 + std::uint32_t(h);
            ++pos;
        }
        return char32_t(value);
    }

    static void appendCodePoint(QString &out, char32_t cp) {
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
    qsizetype scanString(qsizetype start, bool *escaped, QString *out) const {
        constexpr char32_t Nothing = 0xFFFFFFFF; // a line continuation
        const int quote = at(start);
        qsizetype pos = start + 1;
        qsizetype run = pos; // start of the plain characters not yet appended
        for (;;) {
            const int c = at(pos);
            if (c == EndOfText)
                fail(QStringLiteral("unterminated string"), start);
            if (c == quote) {
                if (out)
                    out->append(m_s.sliced(run, pos - run));
                return pos + 1;
            }
            if (c == 0x0A || c == 0x0D)
                fail(QStringLiteral("line break in a string"), pos);
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
            const int e = at(pos);
            if (e == EndOfText)
                fail(QStringLiteral("unterminated string"), start);
            ++pos;
            char32_t value = Nothing;
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
                if (at(pos) == 0x0A)
                    ++pos;
                break;
            case 0x0A:
            case 0x2028:
            case 0x2029:
                break;
            case 'x': {
                const int h1 = HexValue(at(pos));
                const int h2 = h1 < 0 ? -1 : HexValue(at(pos + 1));
                if (h2 < 0)
                    fail(QStringLiteral("invalid hexadecimal escape"), escapeStart);
                pos += 2;
                value = char32_t(h1 * 16 + h2);
                break;
            }
            case 'u':
                value = unicodeEscape(pos, escapeStart);
                break;
            default:
                if (e >= '0' && e <= '7') {
                    // \0 and the legacy octal escapes of sloppy mode: up to
                    // three digits for a value up to \377.
                    int v = e - '0';
                    const int maxMore = e <= '3' ? 2 : 1;
                    for (int k = 0; k < maxMore && at(pos) >= '0' && at(pos) <= '7'; ++k) {
                        v = v * 8 + (at(pos) - '0');
                        ++pos;
                    }
                    value = char32_t(v);
                } else {
                    // \8, \9 and every other character stand for themselves.
                    value = char32_t(e);
                }
                break;
            }
            if (out && value != Nothing)
                appendCodePoint(*out, value);
            run = pos;
        }
    }

    // Reads the name that begins at `start` and returns where it ends. Tells
    // whether it holds escapes; appends the name to `out` when one is given.
    qsizetype scanName(qsizetype start, bool *escaped, QString *out) const {
        qsizetype pos = start;
        bool first = true;
        for (;;) {
            const int c = at(pos);
            char32_t cp;
            if (c == '\\') {
                const qsizetype escapeStart = pos;
                if (at(pos + 1) != 'u')
                    fail(QStringLiteral("invalid escape in a name"), escapeStart);
                pos += 2;
                cp = unicodeEscape(pos, escapeStart);
                if (first ? !IsIdStart(cp) : !IsIdPart(cp))
                    fail(QStringLiteral("invalid escape in a name"), escapeStart);
                if (escaped)
                    *escaped = true;
            } else {
                if (c == EndOfText)
                    break;
                cp = codePointAt(pos);
                if (!(first ? IsIdStart(cp) : IsIdPart(cp)))
                    break;
                pos += unitsOf(cp);
            }
            if (out)
                appendCodePoint(*out, cp);
            first = false;
        }
        return pos;
    }
    // Decimal digits with numeric separators; appends them to `out` and
    // returns whether there was at least one.
    bool lexDigits(std::string &out, int radix, bool separators) {
        const auto isDigit = [radix](int c) {
            const int h = HexValue(c);
            return h >= 0 && h < radix;
        };
        if (!isDigit(at(m_pos)))
            return false;
        for (;;) {
            const int c = at(m_pos);
            if (isDigit(c)) {
                out.push_back(char(c));
                ++m_pos;
            } else if (c == '_' && separators) {
                if (!isDigit(at(m_pos + 1)))
                    fail(QStringLiteral("misplaced numeric separator"), m_pos);
                ++m_pos;
            } else {
                return true;
            }
        }
    }

    void lexNumber(Token &token) {
        const qsizetype start = m_pos;
        const int c0 = at(m_pos);
        const int c1 = at(m_pos + 1);
        double value = 0;
        if (c0 == '0' &&
            (c1 == 'x' || c1 == 'X' || c1 == 'o' || c1 == 'O' || c1 == 'b' || c1 == 'B')) {
            const int lower = c1 | 0x20;
            const int radix = lower == 'x' ? 16 : lower == 'o' ? 8 : 2;
            const int bits = lower == 'x' ? 4 : lower == 'o' ? 3 : 1;
            m_pos += 2;
            m_integer.clear();
            if (!lexDigits(m_integer, radix, true))
                fail(QStringLiteral("malformed number"), start);
            value = PowerOfTwoRadixValue(m_integer, bits);
        } else if (c0 == '0' && (IsDecimalDigit(c1) || c1 == '_')) {
            // Legacy forms of sloppy mode: 0777 is octal, 089 is decimal.
            if (c1 == '_')
                fail(QStringLiteral("numeric separator after a leading 0"), start);
            m_integer.clear();
            bool octal = true;
            while (IsDecimalDigit(at(m_pos))) {
                octal = octal && at(m_pos) <= '7';
                m_integer.push_back(char(at(m_pos)));
                ++m_pos;
            }
            if (at(m_pos) == '_')
                fail(QStringLiteral("numeric separator in a legacy number"), m_pos);
            if (octal) {
                value = PowerOfTwoRadixValue(m_integer, 3);
            } else {
                value = lexDecimalRest(m_integer, start);
            }
        } else {
            m_integer.clear();
            if (c0 == '0') {
                m_integer = "0";
                ++m_pos;
                if (at(m_pos) == '_')
                    fail(QStringLiteral("numeric separator after a leading 0"), m_pos);
            } else if (c0 != '.') {
                lexDigits(m_integer, 10, true);
            }
            value = lexDecimalRest(m_integer, start);
        }
        const int after = at(m_pos);
        if (after == 'n')
            fail(QStringLiteral("BigInt literals are not supported"), start);
        if (after != EndOfText &&
            (IsDecimalDigit(after) || after == '\\' || IsIdStart(codePointAt(m_pos))))
            fail(QStringLiteral("malformed number"), start);
        token.kind = Tok::Number;
        token.number = value;
    }

    // The fraction and exponent of a decimal literal whose integer digits are
    // read; returns its value.
    double lexDecimalRest(const std::string &integer, qsizetype start) {
        m_fraction.clear();
        if (at(m_pos) == '.') {
            ++m_pos;
            const bool any = lexDigits(m_fraction, 10, true);
            if (!any && integer.empty())
                fail(QStringLiteral("malformed number"), start);
        }
        std::int64_t exponent = 0;
        if (at(m_pos) == 'e' || at(m_pos) == 'E') {
            ++m_pos;
            bool negative = false;
            if (at(m_pos) == '+' || at(m_pos) == '-') {
                negative = at(m_pos) == '-';
                ++m_pos;
            }
            m_exponent.clear();
            if (!lexDigits(m_exponent, 10, true))
                fail(QStringLiteral("malformed exponent"), start);
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
constexpr QStringView SharedMemberNames[] = {u"__proto__", u"prototype", u"constructor"};

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

    Value parseWhole() {
        advance();
        Value value = resolve(parseExpression(true), true);
        if (m_token.kind != Tok::End)
            unexpected();
        return value;
    }

private:
    void advance() { m_lexer.next(m_token); }

    bool isPunctuator(char16_t p) const {
        return m_token.kind == Tok::Punctuator && m_token.punctuator == p;
    }

    [[noreturn]] void fail(const QString &message) const {
        m_lexer.fail(message, m_token.position);
    }

    [[noreturn]] void unexpected() const {
        if (m_token.kind == Tok::End)
            fail(QStringLiteral("unexpected end of text"));
        if (m_token.kind == Tok::Punctuator &&
            (m_token.punctuator == u'(' || m_token.punctuator == u'.' ||
             m_token.punctuator == u'['))
            fail(QStringLiteral("calls and member reads are not allowed"));
        if (m_token.kind == Tok::Punctuator &&
            (m_token.punctuator == u'+' || m_token.punctuator == u'-'))
            fail(QStringLiteral("operators are not allowed"));
        fail(QStringLiteral("unexpected token"));
    }

    void expect(char16_t p) {
        if (!isPunctuator(p))
            unexpected();
        advance();
    }

    void enter() {
        if (++m_depth > m_maxDepth)
            fail(QStringLiteral("nested too deeply"));
    }
    void leave() { --m_depth; }

    // The value of an operand; a string's text is decoded when `withText`.
    Value resolve(Operand &&operand, bool withText) const {
        if (operand.kind == Operand::Kind::Value) {
            if (operand.textPending && withText)
                operand.value.string = m_lexer.decoded(operand.token);
            return std::move(operand.value);
        }
        if (operand.kind == Operand::Kind::Name) {
            Value v;
            if (m_lexer.spells(operand.token, u"undefined"))
                return v;
            const bool isNaN = m_lexer.spells(operand.token, u"NaN");
            if (isNaN || m_lexer.spells(operand.token, u"Infinity")) {
                v.type = Value::Type::Number;
                v.number = isNaN ? std::numeric_limits<double>::quiet_NaN()
                                 : std::numeric_limits<double>::infinity();
                return v;
            }
            m_lexer.fail(QStringLiteral("unknown name \"%1\"").arg(m_lexer.decoded(operand.token)),
                         m_operandPosition);
        }
        m_lexer.fail(QStringLiteral("member reads are not allowed"), m_operandPosition);
    }

    // The operand as a value that nothing can be assigned to; a string's text
    // stays undecoded until it is read.
    Operand asValue(Operand &&operand) const {
        if (operand.kind == Operand::Kind::Value)
            return std::move(operand);
        Operand result;
        result.value = resolve(std::move(operand), false);
        return result;
    }

    // Expression: AssignmentExpression (, AssignmentExpression)*
    Operand parseExpression(bool wanted) {
        Operand operand = parseAssignment(wanted);
        if (!isPunctuator(u','))
            return operand;
        while (isPunctuator(u',')) {
            resolve(std::move(operand), false); // a bare unknown name is an error anyway
            advance();
            operand = parseAssignment(wanted);
        }
        // A comma expression is a value, never an assignment target, in
        // parentheses or not: "(0, a) = 1" is an error in JavaScript.
        return asValue(std::move(operand));
    }

    // AssignmentExpression, restricted to target = target = ... = value.
    Operand parseAssignment(bool wanted) {
        bool assigned = false;
        for (;;) {
            const qsizetype position = m_token.position;
            Operand operand = parseUnary(wanted);
            if (isPunctuator(u'=')) {
                noteTarget(operand, position);
                advance();
                assigned = true;
                continue;
            }
            m_operandPosition = position;
            return assigned ? asValue(std::move(operand)) : std::move(operand);
        }
    }

    // Checks an assignment target and remembers its name. A real engine
    // fails on a member of an undeclared name, and we accept that failure as
    // a plain assignment; but a member of a name that exists, whether the
    // engine has it or the answer assigns it, changes objects we cannot see
    // (Object.prototype.province = …), or fails, so it is refused.
    void noteTarget(const Operand &target, qsizetype position) {
        if (target.kind == Operand::Kind::Value)
            m_lexer.fail(QStringLiteral("invalid assignment target"), position);
        QString decodedName;
        if (target.token.escaped)
            decodedName = m_lexer.decoded(target.token);
        const QStringView name =
            target.token.escaped ? QStringView(decodedName) : m_lexer.raw(target.token);
        // Names are remembered by a 64-bit hash, which keeps the memory small
        // however many names an answer assigns; two names that hash alike can
        // only make an answer be refused.
        const size_t key = qHash(name, 0);
        const bool isMember = target.kind == Operand::Kind::Member;
        // The global __proto__ is an accessor: assigning to it changes the
        // global object's prototype, and with it which names are declared.
        if (!isMember && name == u"__proto__")
            m_lexer.fail(QStringLiteral("assignment to __proto__"), position);
        if (isMember && IsGlobalName(name))
            m_lexer.fail(QStringLiteral("assignment to a member of \"%1\"").arg(name.toString()),
                         position);
        if ((isMember ? m_assignedNames : m_memberBases).contains(key))
            m_lexer.fail(
                QStringLiteral("\"%1\" is assigned and has a member assigned").arg(name.toString()),
                position);
        (isMember ? m_memberBases : m_assignedNames).insert(key);
    }

    Operand parseUnary(bool wanted) {
        bool negate = false;
        bool signed_ = false;
        const qsizetype position = m_token.position;
        while (isPunctuator(u'+') || isPunctuator(u'-')) {
            negate ^= m_token.punctuator == u'-';
            signed_ = true;
            advance();
        }
        const qsizetype operandPosition = m_token.position;
        Operand operand = parsePrimary(wanted && !signed_);
        if (!signed_)
            return operand;
        m_operandPosition = operandPosition;
        Operand result;
        result.value = resolve(std::move(operand), false);
        if (result.value.type != Value::Type::Number)
            m_lexer.fail(QStringLiteral("a sign applies to numbers only"), position);
        if (negate)
            result.value.number = -result.value.number;
        return result;
    }

    Operand parsePrimary(bool wanted) {
        Operand operand;
        switch (m_token.kind) {
        case Tok::Number:
            operand.value.type = Value::Type::Number;
            operand.value.number = m_token.number;
            advance();
            return operand;
        case Tok::String:
            operand.value.type = Value::Type::String;
            operand.token = m_token;
            operand.textPending = true;
            advance();
            return operand;
        case Tok::Identifier:
            return parseNameOrKeyword();
        case Tok::Punctuator:
            switch (m_token.punctuator) {
            case u'{':
                operand.value = parseObject(wanted);
                return operand;
            case u'[':
                operand.value = parseArray(wanted);
                return operand;
            case u'(': {
                enter();
                advance();
                Operand inner = parseExpression(wanted);
                expect(u')');
                leave();
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
        unexpected();
    }

    Operand parseNameOrKeyword() {
        Operand operand;
        operand.token = m_token;
        QString decodedName;
        if (m_token.escaped)
            decodedName = m_lexer.decoded(m_token);
        const QStringView name = m_token.escaped ? QStringView(decodedName) : m_lexer.raw(m_token);
        if (m_token.escaped && IsReservedWord(name))
            fail(QStringLiteral("a keyword must not contain escapes"));
        if (name == u"true" || name == u"false") {
            operand.value.type = Value::Type::Boolean;
            operand.value.boolean = name == u"true";
            advance();
            return operand;
        }
        if (name == u"null") {
            operand.value.type = Value::Type::Null;
            advance();
            return operand;
        }
        const bool isThis = name == u"this";
        if (!isThis && IsReservedWord(name))
            fail(QStringLiteral("\"%1\" is not allowed").arg(name.toString()));
        operand.kind = Operand::Kind::Name;
        advance();
        if (!isPunctuator(u'.') && !isPunctuator(u'[')) {
            if (isThis)
                fail(QStringLiteral("\"this\" may only be assigned to a member of"));
            return operand;
        }
        if (name == u"undefined")
            fail(QStringLiteral("undefined has no members"));
        // Member accesses: only an assignment target may have them.
        operand.kind = Operand::Kind::Member;
        for (;;) {
            if (isPunctuator(u'.')) {
                advance();
                if (m_token.kind != Tok::Identifier)
                    unexpected();
                for (QStringView shared : SharedMemberNames) {
                    if (m_lexer.spells(m_token, shared))
                        fail(QStringLiteral("assignment through \"%1\" is not allowed")
                                 .arg(shared.toString()));
                }
                advance();
            } else if (isPunctuator(u'[')) {
                enter();
                advance();
                const qsizetype position = m_token.position;
                Operand key = parseExpression(false);
                m_operandPosition = position;
                const Value keyValue = resolve(std::move(key), true);
                if (keyValue.isContainer())
                    m_lexer.fail(QStringLiteral("a member name must not be an object or array"),
                                 position);
                // Only a string can spell one of those names.
                for (QStringView shared : SharedMemberNames) {
                    if (keyValue.type == Value::Type::String && keyValue.string == shared)
                        m_lexer.fail(QStringLiteral("assignment through \"%1\" is not allowed")
                                         .arg(shared.toString()),
                                     position);
                }
                expect(u']');
                leave();
            } else {
                return operand;
            }
        }
    }

    // A property value or element as stored: an object or array keeps its
    // type but not its contents (nothing reads them).
    static Value stored(Value value) {
        value.container.reset();
        return value;
    }

    // The position of the wanted name that the key of a property spells, or -1.
    qsizetype wantedKey(const Token &key) const {
        if (key.kind == Tok::Number)
            return m_wantsNumericKeys ? m_wanted.indexOf(NumberToString(key.number)) : -1;
        if (key.escaped)
            return m_wanted.indexOf(m_lexer.decoded(key));
        const QStringView raw = m_lexer.raw(key);
        for (qsizetype i = 0; i < m_wanted.size(); ++i) {
            if (m_wanted[i] == raw)
                return i;
        }
        return -1;
    }

    // The position of the wanted name that is array index `index`, or -1.
    qsizetype wantedElement(qsizetype index) const {
        for (const auto &[wantedIndex, name] : m_wantedIndexes) {
            if (wantedIndex == index)
                return name;
        }
        return -1;
    }

    // An object literal. When `wanted`, its contents can be read and the
    // wanted properties and the prototype are kept; otherwise only its type.
    Value parseObject(bool wanted) {
        enter();
        advance(); // '{'
        std::shared_ptr<Container> object;
        const auto contents = [&object] {
            if (!object)
                object = std::make_shared<Container>();
            return object.get();
        };
        bool sawProto = false;
        while (!isPunctuator(u'}')) {
            const Token key = m_token;
            if (key.kind != Tok::Identifier && key.kind != Tok::String && key.kind != Tok::Number)
                unexpected();
            advance();
            if (!isPunctuator(u':'))
                fail(QStringLiteral("expected \":\" (methods, getters and shorthand properties "
                                    "are not allowed)"));
            advance();
            const bool protoKey = key.kind != Tok::Number && m_lexer.spells(key, u"__proto__");
            const qsizetype valuePosition = m_token.position;
            Operand operand = parseAssignment(wanted && protoKey);
            m_operandPosition = valuePosition;
            if (protoKey) {
                if (sawProto)
                    m_lexer.fail(QStringLiteral("duplicate __proto__"), key.position);
                sawProto = true;
                Value prototype = resolve(std::move(operand), false);
                // A prototype with nothing kept (null, a primitive, which is
                // ignored, or a literal without wanted contents) reads as the
                // default one does.
                if (wanted && prototype.container)
                    contents()->prototype = std::move(prototype);
            } else {
                const qsizetype index = wanted ? wantedKey(key) : -1;
                Value value = resolve(std::move(operand), index >= 0);
                if (index >= 0)
                    contents()->properties.insert(m_wanted[index], stored(std::move(value)));
            }
            if (isPunctuator(u','))
                advance();
            else if (!isPunctuator(u'}'))
                unexpected();
        }
        advance(); // '}'
        leave();
        Value result;
        result.type = Value::Type::Object;
        result.container = std::move(object);
        return result;
    }

    // An array literal; as parseObject, it keeps only the wanted elements
    // (and its length), and only when `wanted`.
    Value parseArray(bool wanted) {
        enter();
        advance(); // '['
        std::shared_ptr<Container> array;
        qsizetype length = 0;
        while (!isPunctuator(u']')) {
            if (isPunctuator(u',')) {
                ++length; // a hole
                advance();
                continue;
            }
            const qsizetype position = m_token.position;
            const qsizetype index = wanted ? wantedElement(length) : -1;
            Operand operand = parseAssignment(false);
            m_operandPosition = position;
            Value value = resolve(std::move(operand), index >= 0);
            if (index >= 0) {
                if (!array)
                    array = std::make_shared<Container>();
                array->properties.insert(m_wanted[index], stored(std::move(value)));
            }
            ++length;
            if (isPunctuator(u','))
                advance();
            else if (!isPunctuator(u']'))
                unexpected();
        }
        advance(); // ']'
        leave();
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
        return parser.parseWhole();
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
    if (answer.size() > MaxSourceLength) {
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
    return Evaluate(wrapped, wanted, MaxNesting + 1, -1, answer.size(), error);
}

Value GetProperty(const Value &value, const QString &name) {
    const Value *current = &value;
    // A prototype chain is no longer than the text's nesting is deep.
    for (int guard = 0; guard <= MaxNesting + 1 && current->isContainer() && current->container;
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
