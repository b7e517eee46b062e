"""The web SMS gateway: GET /SendLenSms.aspx?un=&pwd=&mobile=&msg= (the message in the ANSI code
page of the player, percent-encoded), served on the stand-in's third port. It answers with a small XML document whose root element
holds "Result": "1" (sent) unless a test chose otherwise:
  POST /_ctl/sms?result=<text>   the following replies hold <text> in "Result" ("-6", or empty)
  POST /_ctl/sms?body=<text>     the following replies are <text> as it stands (a root without
                                 "Result", nothing at all, ...)
  GET  /_ctl/sms                 JSON list of the requests since the last reset: {"port": the
                                 port it came to, "query": raw query,
                                 "values": {name: text (UTF-8, else GBK)}}
A reset brings back the "1" reply. Misbehaviours (error statuses, a cut reply) come from the
behaviours with the prefix /SendLenSms.aspx.
"""
import json
import threading

from routes.rest import query_text as _text

PATH = "/SendLenSms.aspx"

_lock = threading.Lock()
_requests = []
_reply = {}


def _result_document(result):
    return ('<?xml version="1.0" encoding="utf-8"?>\r\n<SmsReply><Result>%s</Result></SmsReply>\r\n'
            % result).encode("utf-8")


def _default_reply():
    _reply.clear()
    _reply["body"] = _result_document("1")


def register(app):
    def answer(req):
        with _lock:
            _requests.append({"port": req.port, "query": req.raw_query,
                              "values": {k: _text(v) for k, v in req.query_bytes.items()}})
            body = _reply["body"]
        req.send(200, body, "text/xml; charset=utf-8")

    def ctl_sms(req):
        if "result" in req.query_bytes:
            with _lock:
                _reply["body"] = _result_document(req.query["result"])
            return req.send(200, "ok")
        if "body" in req.query_bytes:
            with _lock:
                _reply["body"] = req.query_bytes["body"]
            return req.send(200, "ok")
        with _lock:
            body = json.dumps(_requests, ensure_ascii=False)
        req.send(200, body, "application/json; charset=utf-8")

    def reset():
        with _lock:
            _requests.clear()
            _default_reply()

    reset()
    app.add_route(PATH, answer)
    app.add_control("sms", ctl_sms)
    app.on_reset(reset)
