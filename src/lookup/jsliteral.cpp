#include "jsliteral.h"

#include "jsglobalnames.h"
#include "jslexer.h"

#include <QSet>

#include <limits>

namespace jsliteral {

namespace {

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
    } catch (const SyntaxError &failure) {
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

} // namespace jsliteral
