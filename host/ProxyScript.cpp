#include "host/ProxyScript.h"

#include <cstdio>

namespace host {

namespace {

// Everything the proxies use is taken before page script can replace it;
// requests are objects without a prototype, so that nothing a page adds to
// Object.prototype sees them (or the token in them).
const char kCore[] = R"JS(
  'use strict';
  const stringify = JSON.stringify, parse = JSON.parse, keys = Object.keys, create = Object.create;
  const define = Object.defineProperty, apply = Reflect.apply, lower = String.prototype.toLowerCase;
  const ErrorType = Error, ProxyType = Proxy, StringType = String;
  const kCannotCreate = "Automation server can't create object", kCannotCreateNumber = -2146827859;
  const memberNames = new WeakMap();
  function scriptError(message, number) {
    const e = new ErrorType(message);
    e.number = number;
    e.description = message;
    return e;
  }
  function send(op, handle, name, value, args) {
    const req = create(null);
    req.token = token;
    req.href = href;
    req.op = op;
    req.handle = handle;
    req.name = name;
    if (value !== undefined) req.value = value;
    if (args !== undefined) req.args = args;
    const text = transport(stringify(req));
    const reply = typeof text === 'string' ? parse(text) : null;
    if (reply === null || typeof reply !== 'object')
      throw scriptError(kCannotCreate, kCannotCreateNumber);
    if (reply.ok !== true) throw scriptError(StringType(reply.message), reply.number);
    return reply;
  }
  function encode(v) {
    if (v === undefined) return create(null);
    if (v === null || typeof v === 'string' || typeof v === 'number' || typeof v === 'boolean') return v;
    return StringType(v);
  }
  function decode(reply) { return reply.value; }
  function makeControl(name) {
    const created = send('create', 0, StringType(name));
    const handle = created.handle, members = create(null), methods = create(null);
    const names = keys(created.members);
    for (let i = 0; i < names.length; ++i) members[apply(lower, names[i], [])] = created.members[names[i]];
    const kind = (key) => members[apply(lower, key, [])];
    const proxy = new ProxyType(create(null), {
      get(target, key) {
        if (typeof key !== 'string' || key === 'then' || key === 'toJSON') return undefined;
        if (kind(key) === 'method') {
          if (!methods[key]) {
            methods[key] = function (...args) {
              const list = [];
              for (let i = 0; i < args.length; ++i) list[i] = encode(args[i]);
              return decode(send('call', handle, key, undefined, list));
            };
          }
          return methods[key];
        }
        return decode(send('get', handle, key));
      },
      set(target, key, value) {
        if (typeof key !== 'string') return false;
        send('put', handle, key, encode(value));
        return true;
      },
      has(target, key) { return typeof key === 'string' && kind(key) !== undefined; },
      ownKeys() { return []; },
      defineProperty() { return false; },
      deleteProperty() { return false; },
    });
    memberNames.set(proxy, names);
    return proxy;
  }
  // A control that could not be made: every use of it is the creation error.
  function failedControl(error) {
    const fail = () => { throw error; };
    return new ProxyType(create(null), {
      get(target, key) { return typeof key === 'string' && key !== 'then' && key !== 'toJSON' ? fail() : undefined; },
      set: fail,
      has: () => false,
    });
  }
  function ActiveXObject(name) {
    if (!new.target) throw scriptError(kCannotCreate, kCannotCreateNumber);
    return makeControl(name);
  }
  define(globalThis, 'ActiveXObject', { value: ActiveXObject, writable: true, configurable: true });
)JS";

const char kObjects[] = R"JS(
  // <object classid="clsid:..." id="NAME">: the control is made when the
  // element is parsed (before the next script runs) and NAME names it.
  const seen = new WeakSet(), add = WeakSet.prototype.add, has = WeakSet.prototype.has;
  const getAttribute = Element.prototype.getAttribute, querySelectorAll = Element.prototype.querySelectorAll;
  function adopt(el) {
    if (apply(has, seen, [el])) return;
    const classid = apply(getAttribute, el, ['classid']);
    if (typeof classid !== 'string' || apply(lower, classid.slice(0, 6), []) !== 'clsid:') return;
    apply(add, seen, [el]);
    let control;
    try { control = makeControl(classid); } catch (e) { control = failedControl(e); }
    const id = apply(getAttribute, el, ['id']) || apply(getAttribute, el, ['name']);
    if (id) define(window, id, { value: control, writable: true, configurable: true });
    define(el, 'object', { value: control, configurable: true });
    // The element answers for the control too, as it does in the browser
    // the page was written for (document.getElementById(id).GetPAReq2(...)).
    const names = memberNames.get(control) || [];
    for (let i = 0; i < names.length; ++i) {
      const name = names[i];
      define(el, name, {
        get() { return control[name]; },
        set(value) { control[name] = value; },
        configurable: true,
      });
    }
  }
  function scan(node) {
    if (node.nodeType !== 1) return;
    if (node.localName === 'object') adopt(node);
    const inner = apply(querySelectorAll, node, ['object[classid]']);
    for (let i = 0; i < inner.length; ++i) adopt(inner[i]);
  }
  new MutationObserver((records) => {
    for (const r of records) for (const n of r.addedNodes) scan(n);
  }).observe(document, { childList: true, subtree: true });
  document.addEventListener('DOMContentLoaded', () => { if (document.documentElement) scan(document.documentElement); });
)JS";

}  // namespace

std::string JsQuote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02x", c);
            out.append(esc);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    // U+2028 and U+2029 are line ends in older engines' string literals.
    for (size_t p = 0; (p = out.find("\xE2\x80\xA8", p)) != std::string::npos;) out.replace(p, 3, "\\u2028");
    for (size_t p = 0; (p = out.find("\xE2\x80\xA9", p)) != std::string::npos;) out.replace(p, 3, "\\u2029");
    out.push_back('"');
    return out;
}

std::string PageProxyScript(const std::string& token, const std::string& allowedOrigin) {
    // The frame's origin as OriginOf spells it; nothing of the page has run yet.
    return "(function () {\n"
           "  const scheme = String(location.protocol).toLowerCase();\n"
           "  const origin = scheme === 'file:' ? 'file://' : scheme === 'http:' || scheme === 'https:' ?\n"
           "    scheme + '//' + String(location.host).toLowerCase() : 'null';\n"
           "  if (origin !== " + JsQuote(allowedOrigin) + ") return;\n"
           "  const token = " + JsQuote(token) +
           ";\n  const href = String(location.href);\n  const ask = window.prompt.bind(window);\n"
           "  const transport = (text) => ask(" + JsQuote(kBridgePrefix) + " + text, '');\n" + kCore + kObjects +
           "})();\n";
}

std::string StandaloneProxyScript(const std::string& token, const std::string& transport,
                                  const std::string& pageUrl) {
    return "(function () {\n  const token = " + JsQuote(token) + ";\n  const href = " + JsQuote(pageUrl) +
           ";\n  const transport = globalThis[" + JsQuote(transport) + "];\n  delete globalThis[" +
           JsQuote(transport) + "];\n" + kCore + "})();\n";
}

std::string PageConsoleScript() {
    return std::string(R"JS((function () {
  const handlers = window.webkit && window.webkit.messageHandlers;
  const port = handlers && handlers[)JS") + JsQuote(kConsoleHandler) + R"JS(];
  const console = window.console;
  if (!port || !console) return;
  const post = port.postMessage.bind(port), apply = Reflect.apply, StringType = String, ErrorType = Error;
  const split = String.prototype.split, lastIndexOf = String.prototype.lastIndexOf, slice = String.prototype.slice;
  const map = Array.prototype.map, join = Array.prototype.join;
  function text(value) {
    try { return StringType(value); } catch (e) { return '[object]'; }
  }
  // "where" of the caller's frame: "name@url:line:column", "url:line" kept.
  function caller() {
    let frames;
    try { frames = apply(split, StringType(new ErrorType().stack), ['\n']); } catch (e) { return ''; }
    let frame = frames.length > 2 ? frames[2] : '';
    const at = apply(lastIndexOf, frame, ['@']);
    if (at >= 0) frame = apply(slice, frame, [at + 1]);
    const colon = apply(lastIndexOf, frame, [':']);
    return colon > 0 ? apply(slice, frame, [0, colon]) : frame;
  }
  const levels = ['log', 'info', 'debug', 'warn', 'error'];
  for (let i = 0; i < levels.length; ++i) {
    const level = levels[i], original = console[level];
    console[level] = function (...args) {
      try { post(level + '\n' + caller() + '\n' + apply(join, apply(map, args, [text]), [' '])); } catch (e) {}
      if (typeof original === 'function') return apply(original, console, args);
    };
  }
  // Uncaught errors, as a browser's console shows them; an opaque one
  // ("Script error.", no source) says nothing and is left out.
  window.addEventListener('error', (event) => {
    try {
      if (!event.filename) return;
      post('error\n' + text(event.filename) + ':' + text(event.lineno) + '\n' + text(event.message));
    } catch (e) {}
  });
})();
)JS";
}

std::string DriverBindingScript() {
    return std::string(R"JS((function () {
  'use strict';
  const ask = window.prompt.bind(window), stringify = JSON.stringify, parse = JSON.parse, create = Object.create;
  const StringType = String, NumberType = Number, ErrorType = Error, freeze = Object.freeze;
  const call = freeze(function (token, name, value) {
    const req = create(null);
    req.token = StringType(token);
    req.op = 'host';
    req.name = StringType(name);
    if (name === 'exit') req.args = [NumberType(value) | 0];
    else req.args = [StringType(value)];
    const text = ask()JS") + JsQuote(kBridgePrefix) + R"JS( + stringify(req), '');
    const reply = typeof text === 'string' ? parse(text) : null;
    if (reply === null || typeof reply !== 'object' || reply.ok !== true)
      throw new ErrorType(reply !== null && typeof reply === 'object' ? StringType(reply.message) : 'host call failed');
    return undefined;
  });
  Object.defineProperty(window, )JS" + JsQuote(kDriverCall) + R"JS(, { value: call, writable: false, configurable: false, enumerable: false });
})();
)JS";
}

std::string DriverScript(const std::string& driverToken, const std::string& source, const std::string& sourceUri) {
    // One line of wrapping, then the driver's own lines. An error the driver
    // does not catch is reported with the driver's own line in its stack
    // (the innermost frame may be the bridge's).
    std::string call = kDriverCall;
    return "(function () { const token = " + JsQuote(driverToken) + "; const vemompiHost = { screenshot: (name) => " +
           call + "(token, 'screenshot', name), exit: (code) => " + call + "(token, 'exit', code), log: (text) => " +
           call + "(token, 'log', text) }; try { (function () { " + source +
           "\n})(); } catch (e) { let where = ''; try { const uri = " + JsQuote(sourceUri) +
           ", frames = String(e && e.stack || '').split('\\n'); for (let i = 0; i < frames.length && !where; ++i) { "
           "const at = frames[i].indexOf(uri); if (at >= 0) { where = frames[i].slice(at); "
           "where = where.slice(0, where.lastIndexOf(':')); } } } catch (x) {} " +
           call + "(token, 'error', (where || uri) + ': ' + (e && e.name ? e.name + ': ' + e.message : String(e))); } "
           "})();\n";
}

}  // namespace host
