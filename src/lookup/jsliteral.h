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
// - assignment chains "a = b = value", whose targets are identifiers or
//   identifiers followed by member accesses (.name or [literal]), each
//   possibly in parentheses; the value is the right-hand side. A member
//   target is accepted only on a name that is undeclared: one the answer does
//   not assign and that no JavaScript global environment has (jsglobalnames.h),
//   and never through __proto__, prototype or constructor. A real engine
//   fails on such a target, but the value is all that is asked for; on a
//   name that exists, the assignment could change the prototypes every
//   literal shares (Object.prototype.province = …), which we cannot follow;
// - JavaScript's white space (Zs, U+FEFF, tabs ...), line terminators (LF, CR,
//   U+2028, U+2029) and // and /* */ comments between tokens.
//
// Refused: everything else, in particular calls, `new`, functions, operators
// between values, names other than undefined/NaN/Infinity used as values,
// member reads, shorthand properties, methods, getters, spread, computed keys,
// template literals, regular expressions, BigInt literals, HTML-like comments,
// `var` and any other statement; a comma expression or an assignment as an
// assignment target ("(0, a) = …", "(a = b) = …"); a member target of a
// declared name or `this` (above).
//
// The parser works in one pass over the text with one token of look-ahead, so
// its time is linear in the length of the text; brackets nest at most
// kMaxNesting deep, which bounds its recursion. Strings and names are decoded
// only when read, and of the objects and arrays only the properties asked
// for are kept, so its memory does not grow with the answer's contents.
//
// The lexer (jslexer.h) reads the tokens, jsnumbertext.h gives numbers their
// values and their text, and jsliteral.cpp holds the grammar.

#include "jsnumbertext.h" // NumberToString, as ToText writes numbers

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <optional>

namespace jsliteral {

// Objects, arrays and parentheses of the text may nest this deep, no deeper.
inline constexpr int kMaxNesting = 64;
// Longer texts are refused unread (the lookup client takes at most 1 MiB).
inline constexpr qsizetype kMaxSourceLength = 2 * 1024 * 1024;

struct Container;

struct Value {
    enum class Type : quint8 { Undefined, Null, Boolean, Number, String, Object, Array };

    Type type = Type::Undefined;
    bool boolean = false;
    double number = 0;
    QString string;
    // The contents of an object or array that were asked for; none when
    // there are none. Kept for the value of the whole expression and for
    // prototypes only: an object or array held in a property or an element
    // keeps its type but not its contents, since a property that is an object
    // or array has no text anyway.
    std::shared_ptr<const Container> container;

    bool IsPrimitiveText() const {
        return type == Type::Boolean || type == Type::Number || type == Type::String;
    }
    bool IsContainer() const { return type == Type::Object || type == Type::Array; }
};

struct Container {
    // The own properties that were asked for, by key; of an array, the
    // elements that were asked for, by index ("0", "1", …). A hole is absent.
    QHash<QString, Value> properties;
    // Array: its length (holes count), when "length" was asked for.
    qsizetype length = 0;
    // The prototype set by `__proto__:` when it holds something asked for;
    // otherwise Undefined, which reads as the default prototype
    // (Object.prototype or Array.prototype), null and an empty one do.
    Value prototype;
};

struct EvaluationError {
    QString message;
    qsizetype position = 0; // in the evaluated text, 16-bit units
};

// Evaluates `answer` as `eval('(' + answer + ')')` would: wrapped in one pair
// of parentheses, as one JavaScript expression. Returns nullopt (and, when
// `error` is given, why and where in the answer) when the text is not an
// accepted literal expression. Of the value's objects and arrays (itself and
// its prototypes) only the properties named in `wanted` are kept.
std::optional<Value> EvaluateParenthesized(QStringView answer, const QStringList &wanted,
                                           EvaluationError *error = nullptr);

// The value of property `name` of an object or array, following prototypes
// set with `__proto__:` as JavaScript does; `name` must be one of those
// asked for at the evaluation. A property that does not exist reads as
// undefined, and so do those of the built-in prototypes (Object.prototype,
// Array.prototype): they are all functions or accessors, which have no text
// either.
Value GetProperty(const Value &value, const QString &name);

// JavaScript's String() of a primitive value; an empty text for an object.
QString ToText(const Value &value);

} // namespace jsliteral
