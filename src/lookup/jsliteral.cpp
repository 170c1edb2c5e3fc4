#include "jsliteral.h"

#include <QChar>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace jsliteral {

namespace {

constexpr int End = -1; // "no more text" from Lexer::at()

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
bool IsReservedWord(const QString &name) {
    static const char *const reserved[] = {
        "break",  "case",     "catch",  "class",  "const",  "continue",   "debugger", "default",
        "delete", "do",       "else",   "enum",   "export", "extends",    "false",    "finally",
        "for",    "function", "if",     "import", "in",     "instanceof", "new",      "null",
        "return", "super",    "switch", "this",   "throw",  "true",       "try",      "typeof",
        "var",    "void",     "while",  "with",
    };
    for (const char *word : reserved) {
        if (name == QLatin1StringView(word))
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
// are digit strings (either may be empty), `exponent` is saturated.
double DecimalValue(const std::string &integer, const std::string &fraction,
                    std::int64_t exponent) {
    std::string mantissa = integer + fraction;
    const std::size_t firstNonZero = mantissa.find_first_not_of('0');
    if (firstNonZero == std::string::npos)
        return 0;
    mantissa.erase(0, firstNonZero);
    const std::int64_t scale = exponent - std::int64_t(fraction.size());
    // Decimal exponent of the leading digit.
    const std::int64_t lead = std::int64_t(mantissa.size()) - 1 + scale;
    if (lead > 400)
        return std::numeric_limits<double>::infinity();
    if (lead < -400)
        return 0;
    const std::string text = mantissa + 'e' + std::to_string(scale);
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range)
        return lead > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    if (ec != std::errc() || ptr != text.data() + text.size())
        return std::numeric_limits<double>::quiet_NaN(); // cannot happen: the digits were checked
    return value;
}

enum class Tok {
    End,
    Punctuator, // one of { } ( ) [ ] , : . = + -
    Number,
    String,
    Identifier, // also keywords; `escaped` tells whether it held \u escapes
};

struct Token {
    Tok kind = Tok::End;
    char16_t punctuator = 0;
    double number = 0;
    QString text; // string value or identifier name
    bool escaped = false;
    qsizetype position = 0;
};

class Lexer {
public:
    explicit Lexer(QStringView source)
        : m_s(source) {}

    [[noreturn]] void fail(const QString &message, qsizetype position) const {
        throw Failure{message, position};
    }

    Token next() {
        skipBlanksAndComments();
        Token token;
        token.position = m_pos;
        const int c = at(m_pos);
        if (c == End) {
            token.kind = Tok::End;
            return token;
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
            ++m_pos;
            token.kind = Tok::Punctuator;
            token.punctuator = char16_t(c);
            return token;
        case '.':
            if (IsDecimalDigit(at(m_pos + 1)))
                return lexNumber(token);
            ++m_pos;
            token.kind = Tok::Punctuator;
            token.punctuator = u'.';
            return token;
        case '=':
            if (at(m_pos + 1) == '=' || at(m_pos + 1) == '>')
                fail(QStringLiteral("operator not allowed"), m_pos);
            ++m_pos;
            token.kind = Tok::Punctuator;
            token.punctuator = u'=';
            return token;
        case '+':
        case '-':
            if (at(m_pos + 1) == c || at(m_pos + 1) == '=')
                fail(QStringLiteral("operator not allowed"), m_pos);
            ++m_pos;
            token.kind = Tok::Punctuator;
            token.punctuator = char16_t(c);
            return token;
        case '\'':
        case '"':
            return lexString(token);
        default:
            break;
        }
        if (IsDecimalDigit(c))
            return lexNumber(token);
        if (c == '\\' || IsIdStart(codePointAt(m_pos)))
            return lexIdentifier(token);
        if (c == '`')
            fail(QStringLiteral("template literals are not allowed"), m_pos);
        if (c == '/')
            fail(QStringLiteral("regular expressions and division are not allowed"), m_pos);
        if (c == ';')
            fail(QStringLiteral("statements are not allowed"), m_pos);
        fail(QStringLiteral("unexpected character"), m_pos);
    }

private:
    int at(qsizetype i) const { return i < m_s.size() ? int(m_s[i].unicode()) : End; }

    // The code point at i (a surrogate pair read as one), or End.
    char32_t codePointAt(qsizetype i) const {
        const int c = at(i);
        if (c == End)
            return char32_t(0xFFFFFFFF);
        if (QChar::isHighSurrogate(char32_t(c))) {
            const int d = at(i + 1);
            if (d != End && QChar::isLowSurrogate(char32_t(d)))
                return QChar::surrogateToUcs4(char16_t(c), char16_t(d));
        }
        return char32_t(c);
    }

    static int unitsOf(char32_t cp) { return cp > 0xFFFF ? 2 : 1; }

    void skipBlanksAndComments() {
        for (;;) {
            const int c = at(m_pos);
            if (c == End)
                return;
            if (IsWhiteSpace(c) || IsLineTerminator(c)) {
                ++m_pos;
                continue;
            }
            if (c == '/' && at(m_pos + 1) == '/') {
                m_pos += 2;
                while (at(m_pos) != End && !IsLineTerminator(at(m_pos)))
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

    // Reads hex digits of \u{...} after the brace; returns the code point.
    char32_t lexBracedCodePoint(qsizetype escapeStart) {
        // m_pos is at the first digit, just after '{'.
        std::uint32_t value = 0;
        bool any = false;
        for (;;) {
            const int c = at(m_pos);
            if (c == '}')
                break;
            const int h = HexValue(c);
            if (h < 0)
                fail(QStringLiteral("invalid Unicode escape"), escapeStart);
            value = value * 16 + std::uint32_t(h);
            if (value > 0x10FFFF)
                fail(QStringLiteral("Unicode escape beyond U+10FFFF"), escapeStart);
            any = true;
            ++m_pos;
        }
        if (!any)
            fail(QStringLiteral("invalid Unicode escape"), escapeStart);
        ++m_pos; // '}'
        return char32_t(value);
    }

    // Reads the part after "\u" of a Unicode escape; returns the code point.
    char32_t lexUnicodeEscape(qsizetype escapeStart) {
        if (at(m_pos) == '{') {
            ++m_pos;
            return lexBracedCodePoint(escapeStart);
        }
        std::uint32_t value = 0;
        for (int k = 0; k < 4; ++k) {
            const int h = HexValue(at(m_pos));
            if (h < 0)
                fail(QStringLiteral("invalid Unicode escape"), escapeStart);
            value = value * 16 + std::uint32_t(h);
            ++m_pos;
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

    Token &lexString(Token &token) {
        const qsizetype start = m_pos;
        const int quote = at(m_pos);
        ++m_pos;
        QString value;
        qsizetype run = m_pos; // start of the plain characters not yet appended
        for (;;) {
            const int c = at(m_pos);
            if (c == End)
                fail(QStringLiteral("unterminated string"), start);
            if (c == quote) {
                value.append(m_s.sliced(run, m_pos - run));
                ++m_pos;
                break;
            }
            if (c == 0x0A || c == 0x0D)
                fail(QStringLiteral("line break in a string"), m_pos);
            if (c != '\\') {
                ++m_pos;
                continue;
            }
            value.append(m_s.sliced(run, m_pos - run));
            const qsizetype escapeStart = m_pos;
            ++m_pos;
            const int e = at(m_pos);
            if (e == End)
                fail(QStringLiteral("unterminated string"), start);
            ++m_pos;
            switch (e) {
            case 'n':
                value.append(u'\n');
                break;
            case 't':
                value.append(u'\t');
                break;
            case 'r':
                value.append(u'\r');
                break;
            case 'b':
                value.append(u'\b');
                break;
            case 'f':
                value.append(u'\f');
                break;
            case 'v':
                value.append(u'\v');
                break;
            case 0x0D: // line continuation; CR LF counts as one line break
                if (at(m_pos) == 0x0A)
                    ++m_pos;
                break;
            case 0x0A:
            case 0x2028:
            case 0x2029:
                break;
            case 'x': {
                const int h1 = HexValue(at(m_pos));
                const int h2 = h1 < 0 ? -1 : HexValue(at(m_pos + 1));
                if (h2 < 0)
                    fail(QStringLiteral("invalid hexadecimal escape"), escapeStart);
                m_pos += 2;
                value.append(QChar(char16_t(h1 * 16 + h2)));
                break;
            }
            case 'u':
                appendCodePoint(value, lexUnicodeEscape(escapeStart));
                break;
            default:
                if (e >= '0' && e <= '7') {
                    // \0 and the legacy octal escapes of sloppy mode: up to
                    // three digits for a value up to \377.
                    int v = e - '0';
                    const int maxMore = e <= '3' ? 2 : 1;
                    for (int k = 0; k < maxMore && at(m_pos) >= '0' && at(m_pos) <= '7'; ++k) {
                        v = v * 8 + (at(m_pos) - '0');
                        ++m_pos;
                    }
                    value.append(QChar(char16_t(v)));
                } else {
                    // \8, \9 and every other character stand for themselves.
                    value.append(QChar(char16_t(e)));
                }
                break;
            }
            run = m_pos;
        }
        token.kind = Tok::String;
        token.text = std::move(value);
        return token;
    }

    Token &lexIdentifier(Token &token) {
        QString name;
        bool escaped = false;
        bool first = true;
        for (;;) {
            const int c = at(m_pos);
            char32_t cp;
            if (c == '\\') {
                const qsizetype escapeStart = m_pos;
                if (at(m_pos + 1) != 'u')
                    fail(QStringLiteral("invalid escape in a name"), escapeStart);
                m_pos += 2;
                cp = lexUnicodeEscape(escapeStart);
                if (first ? !IsIdStart(cp) : !IsIdPart(cp))
                    fail(QStringLiteral("invalid escape in a name"), escapeStart);
                escaped = true;
            } else {
                cp = codePointAt(m_pos);
                if (c == End || !(first ? IsIdStart(cp) : IsIdPart(cp)))
                    break;
                m_pos += unitsOf(cp);
            }
            appendCodePoint(name, cp);
            first = false;
        }
        token.kind = Tok::Identifier;
        token.text = std::move(name);
        token.escaped = escaped;
        return token;
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

    Token &lexNumber(Token &token) {
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
            std::string digits;
            if (!lexDigits(digits, radix, true))
                fail(QStringLiteral("malformed number"), start);
            value = PowerOfTwoRadixValue(digits, bits);
        } else if (c0 == '0' && (IsDecimalDigit(c1) || c1 == '_')) {
            // Legacy forms of sloppy mode: 0777 is octal, 089 is decimal.
            if (c1 == '_')
                fail(QStringLiteral("numeric separator after a leading 0"), start);
            std::string digits;
            bool octal = true;
            while (IsDecimalDigit(at(m_pos))) {
                octal = octal && at(m_pos) <= '7';
                digits.push_back(char(at(m_pos)));
                ++m_pos;
            }
            if (at(m_pos) == '_')
                fail(QStringLiteral("numeric separator in a legacy number"), m_pos);
            if (octal) {
                value = PowerOfTwoRadixValue(digits, 3);
            } else {
                value = lexDecimalRest(digits, start);
            }
        } else {
            std::string integer;
            if (c0 == '0') {
                integer = "0";
                ++m_pos;
                if (at(m_pos) == '_')
                    fail(QStringLiteral("numeric separator after a leading 0"), m_pos);
            } else if (c0 != '.') {
                lexDigits(integer, 10, true);
            }
            value = lexDecimalRest(integer, start);
        }
        const int after = at(m_pos);
        if (after == 'n')
            fail(QStringLiteral("BigInt literals are not supported"), start);
        if (after != End &&
            (IsDecimalDigit(after) || after == '\\' || IsIdStart(codePointAt(m_pos))))
            fail(QStringLiteral("malformed number"), start);
        token.kind = Tok::Number;
        token.number = value;
        return token;
    }

    // The fraction and exponent of a decimal literal whose integer digits are
    // read; returns its value.
    double lexDecimalRest(const std::string &integer, qsizetype start) {
        std::string fraction;
        if (at(m_pos) == '.') {
            ++m_pos;
            const bool any = lexDigits(fraction, 10, true);
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
            std::string digits;
            if (!lexDigits(digits, 10, true))
                fail(QStringLiteral("malformed exponent"), start);
            for (char d : digits) {
                if (exponent < 1'000'000'000)
                    exponent = exponent * 10 + (d - '0');
            }
            if (negative)
                exponent = -exponent;
        }
        return DecimalValue(integer, fraction, exponent);
    }

    QStringView m_s;
    qsizetype m_pos = 0;
};

// An operand as the parser sees it: a value, or a name or member access that
// only an assignment may use.
struct Operand {
    enum class Kind { Value, Name, Member } kind = Kind::Value;
    Value value;
    QString name;
};

class Parser {
public:
    explicit Parser(QStringView source, int maxDepth)
        : m_lexer(source)
        , m_maxDepth(maxDepth) {}

    Value parseWhole() {
        advance();
        Value value = resolve(parseExpression());
        if (m_token.kind != Tok::End)
            unexpected();
        return value;
    }

private:
    void advance() { m_token = m_lexer.next(); }

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

    Value resolve(Operand &&operand) const {
        if (operand.kind == Operand::Kind::Value)
            return std::move(operand.value);
        if (operand.kind == Operand::Kind::Name) {
            Value v;
            if (operand.name == u"undefined")
                return v;
            if (operand.name == u"NaN" || operand.name == u"Infinity") {
                v.type = Value::Type::Number;
                v.number = operand.name == u"NaN" ? std::numeric_limits<double>::quiet_NaN()
                                                  : std::numeric_limits<double>::infinity();
                return v;
            }
            m_lexer.fail(QStringLiteral("unknown name \"%1\"").arg(operand.name),
                         m_operandPosition);
        }
        m_lexer.fail(QStringLiteral("member reads are not allowed"), m_operandPosition);
    }

    // Expression: AssignmentExpression (, AssignmentExpression)*
    Operand parseExpression() {
        Operand operand = parseAssignment();
        while (isPunctuator(u',')) {
            resolve(std::move(operand)); // a bare unknown name is an error anyway
            advance();
            operand = parseAssignment();
        }
        return operand;
    }

    // AssignmentExpression, restricted to target = target = ... = value.
    Operand parseAssignment() {
        bool assigned = false;
        for (;;) {
            const qsizetype position = m_token.position;
            Operand operand = parseUnary();
            if (isPunctuator(u'=')) {
                if (operand.kind == Operand::Kind::Value)
                    m_lexer.fail(QStringLiteral("invalid assignment target"), position);
                advance();
                assigned = true;
                continue;
            }
            m_operandPosition = position;
            if (!assigned)
                return operand;
            Operand result;
            result.value = resolve(std::move(operand));
            return result;
        }
    }

    Operand parseUnary() {
        bool negate = false;
        bool signed_ = false;
        const qsizetype position = m_token.position;
        while (isPunctuator(u'+') || isPunctuator(u'-')) {
            negate ^= m_token.punctuator == u'-';
            signed_ = true;
            advance();
        }
        const qsizetype operandPosition = m_token.position;
        Operand operand = parsePrimary();
        if (!signed_)
            return operand;
        m_operandPosition = operandPosition;
        Operand result;
        result.value = resolve(std::move(operand));
        if (result.value.type != Value::Type::Number)
            m_lexer.fail(QStringLiteral("a sign applies to numbers only"), position);
        if (negate)
            result.value.number = -result.value.number;
        return result;
    }

    Operand parsePrimary() {
        Operand operand;
        switch (m_token.kind) {
        case Tok::Number:
            operand.value.type = Value::Type::Number;
            operand.value.number = m_token.number;
            advance();
            return operand;
        case Tok::String:
            operand.value.type = Value::Type::String;
            operand.value.string = std::move(m_token.text);
            advance();
            return operand;
        case Tok::Identifier:
            return parseNameOrKeyword();
        case Tok::Punctuator:
            switch (m_token.punctuator) {
            case u'{':
                operand.value = parseObject();
                return operand;
            case u'[':
                operand.value = parseArray();
                return operand;
            case u'(': {
                enter();
                advance();
                Operand inner = parseExpression();
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
        const QString &name = m_token.text;
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
            fail(QStringLiteral("\"%1\" is not allowed").arg(name));
        operand.kind = Operand::Kind::Name;
        operand.name = name;
        advance();
        if (!isPunctuator(u'.') && !isPunctuator(u'[')) {
            if (isThis)
                fail(QStringLiteral("\"this\" may only be assigned to a member of"));
            return operand;
        }
        if (operand.name == u"undefined")
            fail(QStringLiteral("undefined has no members"));
        // Member accesses: only an assignment target may have them.
        operand.kind = Operand::Kind::Member;
        for (;;) {
            if (isPunctuator(u'.')) {
                advance();
                if (m_token.kind != Tok::Identifier)
                    unexpected();
                advance();
            } else if (isPunctuator(u'[')) {
                enter();
                advance();
                const qsizetype position = m_token.position;
                Operand key = parseExpression();
                m_operandPosition = position;
                resolve(std::move(key));
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

    Value parseObject() {
        enter();
        advance(); // '{'
        auto object = std::make_shared<Container>();
        bool sawProto = false;
        while (!isPunctuator(u'}')) {
            QString key;
            bool protoKey = false;
            switch (m_token.kind) {
            case Tok::Identifier:
            case Tok::String:
                key = std::move(m_token.text);
                protoKey = key == u"__proto__";
                break;
            case Tok::Number:
                key = NumberToString(m_token.number);
                break;
            default:
                unexpected();
            }
            const qsizetype keyPosition = m_token.position;
            advance();
            if (!isPunctuator(u':'))
                fail(QStringLiteral("expected \":\" (methods, getters and shorthand properties "
                                    "are not allowed)"));
            advance();
            const qsizetype valuePosition = m_token.position;
            Operand operand = parseAssignment();
            m_operandPosition = valuePosition;
            Value value = resolve(std::move(operand));
            if (protoKey) {
                if (sawProto)
                    m_lexer.fail(QStringLiteral("duplicate __proto__"), keyPosition);
                sawProto = true;
                if (value.isContainer() || value.type == Value::Type::Null)
                    object->prototype = std::move(value);
            } else {
                object->properties.insert(key, stored(std::move(value)));
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

    Value parseArray() {
        enter();
        advance(); // '['
        auto array = std::make_shared<Container>();
        while (!isPunctuator(u']')) {
            if (isPunctuator(u',')) {
                array->elements.append(std::nullopt); // a hole
                advance();
                continue;
            }
            const qsizetype position = m_token.position;
            Operand operand = parseAssignment();
            m_operandPosition = position;
            array->elements.append(stored(resolve(std::move(operand))));
            if (isPunctuator(u','))
                advance();
            else if (!isPunctuator(u']'))
                unexpected();
        }
        advance(); // ']'
        leave();
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
};

// Positions in `error` are shifted by `positionShift` and kept within
// [0, visibleLength].
std::optional<Value> Evaluate(QStringView source, int maxDepth, qsizetype positionShift,
                              qsizetype visibleLength, EvaluationError *error) {
    try {
        Parser parser(source, maxDepth);
        return parser.parseWhole();
    } catch (const Failure &failure) {
        if (error) {
            error->message = failure.message;
            error->position = qBound(qsizetype(0), failure.position + positionShift, visibleLength);
        }
        return std::nullopt;
    }
}

// Canonical array index ("0", "17", not "017"), or -1.
qsizetype ArrayIndex(const QString &name) {
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

} // namespace

std::optional<Value> EvaluateParenthesized(QStringView answer, EvaluationError *error) {
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
    return Evaluate(wrapped, MaxNesting + 1, -1, answer.size(), error);
}

Value GetProperty(const Value &value, const QString &name) {
    const Value *current = &value;
    // A prototype chain is no longer than the text's nesting is deep.
    for (int guard = 0; guard <= MaxNesting + 1 && current->isContainer() && current->container;
         ++guard) {
        const Container &c = *current->container;
        if (current->type == Value::Type::Array) {
            if (name == u"length") {
                Value length;
                length.type = Value::Type::Number;
                length.number = double(c.elements.size());
                return length;
            }
            const qsizetype index = ArrayIndex(name);
            if (index >= 0 && index < c.elements.size() && c.elements[index])
                return *c.elements[index];
        } else {
            const auto it = c.properties.constFind(name);
            if (it != c.properties.constEnd())
                return it.value();
        }
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
