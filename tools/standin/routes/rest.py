"""The service's REST interface: GET /api/rest/?method=...&api_key=...&<params>&api_sig=...

Every call is checked: the API key, and the signature, the MD5 hex digest of the shared secret
followed by each parameter's name and value (method, api_key and api_sig excepted) in ascending
byte order of the names. Values are compared as the bytes the client sent (percent-decoded).
A call with a wrong key or signature gets the fail reply and is logged with the note
"signature=bad"; a good one is noted "signature=ok".

Methods are registered in METHODS: name -> fn(req, params) returning the reply XML text (or
bytes). Other route modules add to it (catalogue.py holds the service's methods); an unknown
method gets the fail reply.
"""
import hashlib
from xml.sax.saxutils import quoteattr

API_KEY = "0123456789abcdef0123456789abcdef"
API_SECRET = "fedcba9876543210fedcba9876543210"
UNSIGNED = ("method", "api_key", "api_sig", "_b")

METHODS = {}


def fail_reply(code, msg):
    """The service's error reply: the root's "stat" is "fail", its "err" child carries the code
    and the message as attributes."""
    return ('<?xml version="1.0" encoding="utf-8"?>\n'
            '<rsp stat="fail"><err code=%s msg=%s/></rsp>\n' % (quoteattr(str(code)), quoteattr(msg)))


def query_text(value):
    """A query value the client sent as bytes (ANSI code page or UTF-8), as text: UTF-8 when it
    is valid UTF-8, else GBK. Text passes through."""
    if isinstance(value, str):
        return value
    try:
        return value.decode("utf-8")
    except UnicodeDecodeError:
        return value.decode("gbk", "replace")


def signature(params_bytes, secret=None):
    text = (secret or API_SECRET).encode()
    for name in sorted(k for k in params_bytes if k not in UNSIGNED):
        text += name.encode("latin-1") + params_bytes[name]
    return hashlib.md5(text).hexdigest()


def configure(key=None, secret=None):
    global API_KEY, API_SECRET
    if key:
        API_KEY = key
    if secret:
        API_SECRET = secret


def register(app):
    def rest(req):
        raw_line = req.handler.raw_requestline
        q = req.query_bytes
        good = (q.get("api_key", b"").decode("latin-1") == API_KEY and
                q.get("api_sig", b"").decode("latin-1") == signature(q))
        app.note_last(raw_line, "signature=" + ("ok" if good else "bad"))
        if not good:
            return req.send_xml(fail_reply(100, "Invalid signature"))
        method = q.get("method", b"").decode("latin-1")
        fn = METHODS.get(method)
        if fn is None:
            return req.send_xml(fail_reply(101, "Unknown method"))
        reply = fn(req, q)
        if isinstance(reply, bytes):
            return req.send(200, reply, "text/xml; charset=utf-8")
        req.send_xml(reply)

    app.add_route("/api/rest/", rest)
