#pragma once

#include <QStringView>

namespace jsliteral {

// Whether `name` is bound in a JavaScript engine's global environment where
// answers may be evaluated: the standard built-ins (Object, Math, JSON, NaN
// …), the names every global object inherits from Object.prototype
// (__proto__, constructor, toString …), `this`, the evaluating function's own
// names (j, s, arguments), and the usual names of browser, Node.js and
// Windows Script hosts (window, process, ActiveXObject …). Assigning to a
// member of such a name can change the objects a literal is built from, or
// fail, in ways a literal evaluator cannot follow.
bool IsGlobalName(QStringView name);

} // namespace jsliteral
