"""Statistics reports (GET /datasta/?TypeID=...) and share reports (GET /share/?method=add...).
Both answer "OK". The request log keeps their exact queries; in addition each report is kept
with its decoded values:
  GET /_ctl/reports   JSON list of {"kind": "stat"|"share", "query": raw query,
                                    "values": {name: value as UTF-8 text or GBK when not UTF-8}}
"""
import json
import threading

from routes.rest import query_text as _text

_lock = threading.Lock()
_reports = []


def register(app):
    def record(kind):
        def answer(req):
            with _lock:
                _reports.append({"kind": kind, "query": req.raw_query,
                                 "values": {k: _text(v) for k, v in req.query_bytes.items()}})
            req.send(200, "OK")
        return answer

    def ctl_reports(req):
        with _lock:
            body = json.dumps(_reports, ensure_ascii=False)
        req.send(200, body, "application/json; charset=utf-8")

    def reset():
        with _lock:
            _reports.clear()

    app.add_route("/datasta/", record("stat"))
    app.add_route("/share/", record("share"))
    app.add_control("reports", ctl_reports)
    app.on_reset(reset)
