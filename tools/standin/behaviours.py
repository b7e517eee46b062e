"""Replies of the stand-in, and the behaviours that make them misbehave on purpose.

A behaviour list is ';'-separated items, chosen per request with the query key "_b" (which the
stand-in then ignores otherwise) or for requests under a path prefix with
  POST /_ctl/behave?prefix=<path prefix>&b=<items>[&count=<n>]   (count 0 or absent: always)
  POST /_ctl/behave?clear=1
A prefix that holds "?" is matched against the path with its query (e.g. one kind of statistics
report: "/datasta/?TypeID=01&ModId=07"; escape it as a query value).
Items:
  status=N        reply status N with a small HTML error page (also for files)
  norange         ignore Range: 200 and the whole file
  cut=N           send only N body bytes, then close (Content-Length still announces all)
  slow=N          send the body at N bytes a second
  stall=N         send N body bytes, then neither send nor close (until reset or 120 s)
  delay=MS        wait before the reply
  redirect=URL    302 to URL;  redirect-alt: 302 to the same target on the second port
  redirect-loop   302 to the same target again (for ever)
  code=N          the status of the redirects above (default 302)
  nolength        no Content-Length; the body ends when the connection closes
  length=N        announce Content-Length N whatever the body is
  header=Name:V   one more header field (may repeat)
  bigheader=N     one more header field of about N bytes
"""
import threading
import time
from http import HTTPStatus
from email.utils import formatdate

_rules = []            # [prefix, items, remaining or None]
_rules_lock = threading.Lock()
_release = threading.Event()


def parse(spec):
    items = []
    for part in (spec or "").split(";"):
        part = part.strip()
        if not part:
            continue
        name, _, value = part.partition("=")
        items.append((name.strip(), value))
    return items


def register(app):
    def ctl_behave(req):
        global _release
        if req.query.get("clear"):
            with _rules_lock:
                _rules.clear()
            return req.send(200, "cleared")
        count = int(req.query.get("count") or 0)
        with _rules_lock:
            _rules.append([req.query.get("prefix", "/"), parse(req.query.get("b", "")), count or None])
        req.send(200, "ok")

    def reset():
        global _release
        with _rules_lock:
            _rules.clear()
        _release.set()
        _release = threading.Event()

    app.add_control("behave", ctl_behave)
    app.on_reset(reset)


def chosen(req):
    """The behaviour items for this request (consuming counted rules)."""
    if "_b" in req.query:
        return parse(req.query["_b"])
    with_query = req.path + ("?" + req.raw_query if req.raw_query else "")
    with _rules_lock:
        for rule in _rules:
            if (with_query if "?" in rule[0] else req.path).startswith(rule[0]):
                if rule[2] is not None:
                    rule[2] -= 1
                    if rule[2] <= 0:
                        _rules.remove(rule)
                return rule[1]
    return []


def _get(items, name):
    for n, v in items:
        if n == name:
            return v
    return None


def _has(items, name):
    return any(n == name for n, _ in items)


def _target_without_b(req):
    parts = [p for p in req.raw_query.split("&") if p and not p.startswith("_b=")]
    return req.raw_path + ("?" + "&".join(parts) if parts else "")


def _write_head(req, status, headers):
    try:
        reason = HTTPStatus(status).phrase
    except ValueError:
        reason = "Status"
    lines = ["HTTP/1.1 %d %s" % (status, reason)] + ["%s: %s" % kv for kv in headers]
    req.handler.wfile.write(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))


def _stall(req):
    req.handler.wfile.flush()
    _release.wait(120)


def _write_body(req, body, items):
    w = req.handler.wfile
    if req.method == "HEAD":
        return
    limit = len(body)
    cut = _get(items, "cut")
    if cut is not None:
        limit = min(limit, int(cut))
    stall_at = _get(items, "stall")
    stall_at = int(stall_at) if stall_at is not None else None
    rate = _get(items, "slow")
    rate = int(rate) if rate else None
    chunk = max(1, rate // 20) if rate else 65536
    pos = 0
    while pos < limit:
        if stall_at is not None and pos >= stall_at:
            return _stall(req)
        n = min(chunk, limit - pos)
        if stall_at is not None:
            n = min(n, stall_at - pos)
        w.write(body[pos:pos + n])
        pos += n
        if rate:
            w.flush()
            time.sleep(n / rate)
    if stall_at is not None and pos >= stall_at:
        return _stall(req)
    w.flush()


def _send(req, status, body, content_type, headers, items):
    delay = _get(items, "delay")
    if delay:
        time.sleep(int(delay) / 1000.0)
    head = [("Date", formatdate(usegmt=True)), ("Server", "VelaStandin/1.0")]
    if content_type:
        head.append(("Content-Type", content_type))
    if not _has(items, "nolength"):
        length = _get(items, "length")
        head.append(("Content-Length", str(int(length) if length is not None else len(body))))
    head.extend(headers)
    for n, v in items:
        if n == "header":
            name, _, value = v.partition(":")
            head.append((name.strip(), value.strip()))
        elif n == "bigheader":
            head.append(("X-Filler", "x" * int(v)))
    head.append(("Connection", "close"))
    _write_head(req, status, head)
    _write_body(req, body, items)


def _misbehave_first(req, items):
    """Redirects and error statuses replace the reply. Returns True when they did."""
    code = int(_get(items, "code") or 302)
    target = None
    if _get(items, "redirect"):
        target = _get(items, "redirect")
    elif _has(items, "redirect-alt"):
        target = "http://localhost:%d%s" % (req.app.alt_port, _target_without_b(req))
    elif _has(items, "redirect-loop"):
        target = "http://127.0.0.1:%d%s" % (req.port, req.raw_path + ("?" + req.raw_query if req.raw_query else ""))
    if target:
        _send(req, code, b"<html>moved</html>", "text/html", [("Location", target)], [])
        return True
    status = _get(items, "status")
    if status:
        page = ("<html><body><h1>Error %s</h1>error page</body></html>" % status).encode()
        _send(req, int(status), page, "text/html", [], [i for i in items if i[0] != "status"])
        return True
    return False


def reply(req, status, body, content_type, headers):
    items = chosen(req)
    if _misbehave_first(req, items):
        return
    _send(req, status, body, content_type, headers, items)


def reply_ranged(req, data, content_type):
    items = chosen(req)
    if _misbehave_first(req, items):
        return
    total = len(data)
    rng = req.header("Range")
    if rng and not _has(items, "norange") and rng.startswith("bytes="):
        first, _, last = rng[len("bytes="):].split(",")[0].partition("-")
        try:
            start = int(first)
            end = int(last) if last.strip() else total - 1
        except ValueError:
            start, end = 0, total - 1
        if start >= total or start > end:
            _send(req, 416, b"", content_type, [("Content-Range", "bytes */%d" % total)], items)
            return
        end = min(end, total - 1)
        _send(req, 206, data[start:end + 1], content_type,
              [("Content-Range", "bytes %d-%d/%d" % (start, end, total)), ("Accept-Ranges", "bytes")], items)
        return
    _send(req, 200, data, content_type, [("Accept-Ranges", "bytes")], items)
