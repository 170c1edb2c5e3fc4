#pragma once

// An evaluator for JavaScript literal expressions: the values an answer of the
// number-segment service can hold, and nothing that would run code.
//
// Accepted (ECMAScript 2023, sloppy-mode script, as a direct eval sees it):
// - object literals with identifier, string or numeric keys, trailing commas,
//   duplicate keys (the last wins) and `__proto__: value` (which sets the
//   prototype, as in JavaScript; a second one is a syntax error);
// - array literals, holes and a trailing comma included;
// - strings in either quote with every escape of the language (legacy octal
//   escapes and \8 \9 included) and line continuations;
// - numbers: decimal, fractions, exponents, 0x 0o 0b, legacy octal (0777) and
//   legacy decimal (089) integers, numeric separators (1_000);
// - true, false, null, and the global names undefined, NaN and Infinity;
// - unary + and - on an operand whose value is a number;
// - parentheses, comma expressions (the value is the last operand);
// - assignment chains "a = b = value", whose targets are identifiers, `this`
//   or identifiers followed by member accesses (.name or [literal]), each
//   possibly in parentheses; the value is the right-hand side. Member targets
//   are accepted even though a real engine would fail on an undeclared base
//   (we have no environment; the value is all that is asked for);
// - JavaScript's white space (Zs, U+FEFF, tabs ...), line terminators (LF, CR,
//   U+2028, U+2029) and // and /* */ comments between tokens.
//
// Refused: everything else, in particular calls, `new`, functions, operators
// between values, names other than undefined/NaN/Infinity used as values,
// member reads, shorthand properties, methods, getters, spread, computed keys,
// template literals, regular expressions, BigInt literals, HTML-like comments,
// `var` and any other statement.
//
// The parser works in one pass over the text with one token of look-ahead, so
// its time is linear in the length of the text; brackets nest at most
// MaxNesting deep, which bounds its recursion.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

namespace jsliteral {

// Objects, arrays and parentheses of the text may nest this deep, no deeper.
inline constexpr int MaxNesting = 64;
// Longer texts are refused unread (the lookup client takes at most 1 MiB).
inline constexpr qsizetype MaxSourceLength = 2 * 1024 * 1024;

struct Container;

struct Value {
    enum class Type : quint8 { Undefined, Null, Boolean, Number, String, Object, Array };

    Type type = Type::Undefined;
    bool boolean = false;
    double number = 0;
    QString string;
    // The contents of an object or array. Kept for the value of the whole
    // expression and for prototypes only: an object or array held in a
    // property or an element keeps its type but not its contents, since a
    // property that is an object or array has no text anyway.
    std::shared_ptr<const Container> container;

    bool isPrimitiveText() const {
        return type == Type::Boolean || type == Type::Number || type == Type::String;
    }
    bool isContainer() const { return type == Type::Object || type == Type::Array; }
};

struct Container {
    // Object: own properties by key. Array: unused.
    QHash<QString, Value> properties;
    // Array: the elements; a hole is std::nullopt.
    QList<std::optional<Value>> elements;
    // The prototype set by `__proto__:`; Undefined when it is the default one
    // (Object.prototype or Array.prototype), Null when there is none.
    Value prototype;
};

struct EvaluationError {
    QString message;
    qsizetype position = 0; // in the evaluated text, 16-bit units
};

// Evaluates `answer` as `eval('(' + answer + ')')` would: wrapped in one pair
// of parentheses, as one JavaScript expression. Returns nullopt (and, when
// `error` is given, why and where in the answer) when the text is not an
// accepted literal expression.
std::optional<Value> EvaluateParenthesized(QStringView answer, EvaluationError *error = nullptr);

// The value of property `name` of an object or array, following prototypes
// set with `__proto__:` as JavaScript does. A property that does not exist
// reads as undefined, and so do those of the built-in prototypes
// (Object.prototype, Array.prototype): they are all functions or accessors,
// which have no text either.
Value GetProperty(const Value &value, const QString &name);

// JavaScript's String() of a primitive value; an empty text for an object.
QString ToText(const Value &value);

// ECMAScript Number::toString(10): shortest round-trip digits, "1e+21",
// "1.5e-7", "0.000001", "-0" -> "0", "NaN", "Infinity", "-Infinity".
QString NumberToString(double number);

} // namespace jsliteral
