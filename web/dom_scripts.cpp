#include "web/dom_scripts.h"

namespace web_scripts {

namespace {

const char kHelpers[] = R"JS(
var V = window.__vireska;
if (!V) {
  V = {token: String(Math.random()).slice(2), ranges: []};
  Object.defineProperty(window, '__vireska', {value: V, enumerable: false});
}

function isHtml() {
  var t = document.contentType;
  return t === 'text/html' || t === 'application/xhtml+xml';
}
function fail(code) { return {e: code}; }

var VOID = {AREA: 1, BASE: 1, BASEFONT: 1, BGSOUND: 1, BR: 1, COL: 1, EMBED: 1, FRAME: 1,
            HR: 1, IMG: 1, INPUT: 1, KEYGEN: 1, LINK: 1, META: 1, PARAM: 1, SOURCE: 1,
            TRACK: 1, WBR: 1};
var RAW = {SCRIPT: 1, STYLE: 1, XMP: 1, IFRAME: 1, NOEMBED: 1, NOFRAMES: 1, NOSCRIPT: 1,
           PLAINTEXT: 1};
var NO_TEXT = {SCRIPT: 1, STYLE: 1, NOSCRIPT: 1, TEMPLATE: 1};

function escText(s) {
  return s.replace(/&/g, '&amp;').replace(/\u00a0/g, '&nbsp;')
          .replace(/</g, '&lt;').replace(/>/g, '&gt;');
}
function escAttr(s) {
  return s.replace(/&/g, '&amp;').replace(/\u00a0/g, '&nbsp;').replace(/"/g, '&quot;');
}
// Markup as the old control wrote it: upper-case element names, lower-case attribute
// names, every value in double quotes.
function serialize(node, out) {
  for (var c = node.firstChild; c; c = c.nextSibling) {
    if (c.nodeType === 1) {
      var tag = c.tagName.toUpperCase();
      var s = '<' + tag;
      var at = c.attributes;
      for (var i = 0; i < at.length; i++)
        s += ' ' + at[i].name.toLowerCase() + '="' + escAttr(at[i].value) + '"';
      out.push(s + '>');
      if (VOID[tag]) continue;
      if (RAW[tag]) {
        for (var t = c.firstChild; t; t = t.nextSibling)
          if (t.nodeType === 3) out.push(t.data);
      } else {
        serialize(tag === 'TEMPLATE' && c.content ? c.content : c, out);
      }
      out.push('</' + tag + '>');
    } else if (c.nodeType === 3) {
      out.push(escText(c.data));
    } else if (c.nodeType === 8) {
      out.push('<!--' + c.data + '-->');
    }
  }
}

function byName(n) {
  var all = document.getElementsByTagName('*');
  for (var i = 0; i < all.length; i++) {
    var e = all[i];
    if (e.id === n || e.getAttribute('name') === n) return e;
  }
  return null;
}

function rangeOf(token, id) {
  if (token !== V.token) return null;
  return V.ranges[id] || null;
}

// The node after n in document order, its subtree skipped.
function after(n) {
  while (n && !n.nextSibling) n = n.parentNode;
  return n ? n.nextSibling : null;
}
function next(n) { return n.firstChild || after(n); }
// The first node at or after a boundary point.
function boundaryNode(container, offset) {
  if (container.nodeType !== 1 && container.nodeType !== 9 && container.nodeType !== 11)
    return container;
  return container.childNodes[offset] || after(container);
}

// The text of the range as one string, with where each piece lies in the document. A walk
// from one boundary to the other: asking the range about every node is quadratic.
function rangeText(r) {
  var pieces = [], segs = [], total = 0;
  var endText = r.endContainer.nodeType === 3 ? r.endContainer : null;
  var stop = endText ? null : boundaryNode(r.endContainer, r.endOffset);
  for (var n = boundaryNode(r.startContainer, r.startOffset); n && n !== stop; n = next(n)) {
    if (n.nodeType === 3) {
      var p = n.parentNode;
      if (!(p && p.nodeType === 1 && NO_TEXT[p.tagName.toUpperCase()])) {
        var s = n === r.startContainer ? r.startOffset : 0;
        var e = n === endText ? r.endOffset : n.data.length;
        if (e > s) {
          pieces.push(n.data.substring(s, e));
          segs.push({node: n, off: s, at: total, len: e - s});
          total += e - s;
        }
      }
    }
    if (n === endText) break;
  }
  return {text: pieces.join(''), segs: segs};
}

function lower(s) {
  var l = s.toLowerCase();
  if (l.length === s.length) return l;
  return s.replace(/[\s\S]/g, function(c) {
    var x = c.toLowerCase();
    return x.length === 1 ? x : c;
  });
}

// The piece holding character index i; atEnd picks the piece a match ends in.
function locate(segs, i, atEnd) {
  var lo = 0, hi = segs.length - 1;
  while (lo < hi) {
    var mid = (lo + hi) >> 1;
    var s = segs[mid];
    var past = atEnd ? i > s.at + s.len : i >= s.at + s.len;
    if (past) lo = mid + 1; else hi = mid;
  }
  var g = segs[lo];
  return {node: g.node, offset: g.off + (i - g.at)};
}

function findIn(r, needle, count, flags) {
  if (!needle.length) return false;
  var t = rangeText(r);
  var hay = t.text, pat = needle;
  if (!(flags & 4)) { hay = lower(hay); pat = lower(pat); }
  var at = count < 0 ? hay.lastIndexOf(pat) : hay.indexOf(pat);
  if (at < 0) return false;
  var a = locate(t.segs, at, false), b = locate(t.segs, at + pat.length, true);
  r.setStart(a.node, a.offset);
  r.setEnd(b.node, b.offset);
  return true;
}

function doctypeText(dt) {
  if (!dt) return '';
  var s = '<!DOCTYPE ' + dt.name;
  if (dt.publicId) s += ' PUBLIC "' + dt.publicId + '"';
  if (dt.systemId) s += (dt.publicId ? '' : ' SYSTEM') + ' "' + dt.systemId + '"';
  return s + '>\n';
}

// The document with one charset declaration, naming what the bytes will be.
function savedHtml(charset) {
  var root = document.documentElement;
  if (!root) return null;
  var clone = root.cloneNode(true);
  var metas = clone.querySelectorAll('meta');
  for (var i = 0; i < metas.length; i++) {
    var m = metas[i];
    var equiv = (m.getAttribute('http-equiv') || '').toLowerCase();
    if (m.hasAttribute('charset') || equiv === 'content-type') m.parentNode.removeChild(m);
  }
  var head = clone.querySelector('head');
  if (!head) {
    head = document.createElement('head');
    clone.insertBefore(head, clone.firstChild);
  }
  var meta = document.createElement('meta');
  meta.setAttribute('http-equiv', 'Content-Type');
  meta.setAttribute('content', 'text/html; charset=' + charset);
  head.insertBefore(meta, head.firstChild);
  return doctypeText(document.doctype) + clone.outerHTML;
}
)JS";

}  // namespace

QString Helpers() {
  // Every script call starts with them: converted once, each call gets a shared copy.
  static const QString helpers = QString::fromUtf8(kHelpers);
  return helpers;
}

}  // namespace web_scripts
