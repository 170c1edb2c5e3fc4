#include "jsglobalnames.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace jsliteral {

namespace {

// clang-format off
const char16_t *const kGlobalNames[] = {
    // The global object of the language: value properties, functions,
    // constructors and namespaces.
    u"globalThis", u"Infinity", u"NaN", u"undefined", u"eval", u"isFinite", u"isNaN",
    u"parseFloat", u"parseInt", u"decodeURI", u"decodeURIComponent", u"encodeURI",
    u"encodeURIComponent", u"escape", u"unescape",
    u"AggregateError", u"Array", u"ArrayBuffer", u"AsyncDisposableStack", u"Atomics", u"BigInt",
    u"BigInt64Array", u"BigUint64Array", u"Boolean", u"DataView", u"Date", u"DisposableStack",
    u"Error", u"EvalError", u"FinalizationRegistry", u"Float16Array", u"Float32Array",
    u"Float64Array", u"Function", u"Int8Array", u"Int16Array", u"Int32Array", u"Intl",
    u"Iterator", u"JSON", u"Map", u"Math", u"Number", u"Object", u"Promise", u"Proxy",
    u"RangeError", u"ReferenceError", u"Reflect", u"RegExp", u"Set", u"ShadowRealm",
    u"SharedArrayBuffer", u"String", u"SuppressedError", u"Symbol", u"SyntaxError", u"Temporal",
    u"TypeError", u"Uint8Array", u"Uint8ClampedArray", u"Uint16Array", u"Uint32Array",
    u"URIError", u"WeakMap", u"WeakRef", u"WeakSet", u"WebAssembly",
    // Inherited by every global object from Object.prototype.
    u"__proto__", u"__defineGetter__", u"__defineSetter__", u"__lookupGetter__",
    u"__lookupSetter__", u"constructor", u"hasOwnProperty", u"isPrototypeOf",
    u"propertyIsEnumerable", u"toLocaleString", u"toString", u"valueOf",
    // The evaluating code: the global `this`, and the function the answer is
    // evaluated in, function j(s) { return eval('(' + s + ')'); }.
    u"this", u"arguments", u"j", u"s",
    // Windows Script hosts.
    u"ActiveXObject", u"GetObject", u"ScriptEngine", u"ScriptEngineBuildVersion",
    u"ScriptEngineMajorVersion", u"ScriptEngineMinorVersion", u"CollectGarbage", u"Enumerator",
    u"VBArray", u"Debug", u"WScript", u"WSH",
    // Node.js: its globals, and the built-in modules its command line offers as names.
    u"global", u"process", u"Buffer", u"require", u"module", u"exports", u"__filename",
    u"__dirname", u"console", u"setTimeout", u"setInterval", u"setImmediate", u"clearTimeout",
    u"clearInterval", u"clearImmediate", u"queueMicrotask", u"structuredClone", u"atob", u"btoa",
    u"fetch", u"crypto", u"performance", u"navigator", u"URL", u"URLSearchParams",
    u"TextEncoder", u"TextDecoder", u"AbortController", u"AbortSignal", u"Event",
    u"EventTarget", u"MessageChannel", u"MessagePort", u"MessageEvent", u"Blob", u"File",
    u"BroadcastChannel", u"Headers", u"Request", u"Response", u"FormData", u"WebSocket",
    u"DOMException", u"ReadableStream", u"WritableStream", u"TransformStream",
    u"assert", u"async_hooks", u"buffer", u"child_process", u"cluster", u"constants", u"dgram",
    u"diagnostics_channel", u"dns", u"domain", u"events", u"fs", u"http", u"http2", u"https",
    u"inspector", u"net", u"os", u"path", u"perf_hooks", u"punycode", u"querystring",
    u"readline", u"repl", u"stream", u"string_decoder", u"sys", u"timers", u"tls",
    u"trace_events", u"tty", u"url", u"util", u"v8", u"vm", u"wasi", u"worker_threads", u"zlib",
    // Browsers.
    u"window", u"self", u"top", u"parent", u"frames", u"opener", u"document", u"location",
    u"history", u"localStorage", u"sessionStorage", u"indexedDB", u"caches", u"name",
    u"status", u"length", u"closed", u"origin", u"frameElement", u"screen", u"external",
    u"chrome", u"customElements", u"visualViewport", u"alert", u"confirm", u"prompt", u"open",
    u"close", u"print", u"postMessage", u"XMLHttpRequest", u"Image", u"Audio", u"Option",
    u"Worker", u"SharedWorker", u"Notification", u"Node", u"Element", u"HTMLElement",
    u"HTMLDocument", u"Document", u"Window", u"onerror", u"onload", u"onmessage", u"event",
};
// clang-format on

} // namespace

bool IsGlobalName(QStringView name) {
    static const std::vector<QStringView> kSorted = [] {
        std::vector<QStringView> names(std::begin(kGlobalNames), std::end(kGlobalNames));
        std::sort(names.begin(), names.end());
        return names;
    }();
    return std::binary_search(kSorted.begin(), kSorted.end(), name);
}

} // namespace jsliteral
