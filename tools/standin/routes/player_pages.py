"""The player's own documents: the version file that the player reads when the updater started
it, and the outside pages that it opens in the browser.

  GET /clientupdate/app/update.ini     "[version]" with "ver=<offered version>", CRLF lines
  GET /passport/reg.php                the registration page (account host)
  GET /datastatic/Question.aspx        the feedback page (update host)
  GET /                                the home page (web host); only the root itself

  GET /_ctl/appversion?ver=<version>   sets the offered version ("1.0.0.1" after a reset, the
                                       player's own); ?missing=1 makes update.ini answer 404
"""
import threading

DEFAULT_VERSION = "1.0.0.1"

_lock = threading.Lock()
_state = {"ver": DEFAULT_VERSION, "missing": False}

PAGES = {
    "/passport/reg.php": "注册",
    "/datastatic/Question.aspx": "意见反馈",
    "/": "青岚音乐",
}


def register(app):
    def reset():
        with _lock:
            _state.update(ver=DEFAULT_VERSION, missing=False)

    def ctl_appversion(req):
        with _lock:
            if "ver" in req.query:
                _state["ver"] = req.query["ver"]
            _state["missing"] = req.query.get("missing") == "1"
            answer = "missing" if _state["missing"] else _state["ver"]
        req.send(200, answer)

    def update_ini(req):
        with _lock:
            missing, ver = _state["missing"], _state["ver"]
        if missing:
            return req.send(404, "<html><body>404 Not Found</body></html>", "text/html")
        req.send(200, ("[version]\r\nver=%s\r\n" % ver).encode("ascii"), "text/plain")

    def page(req):
        title = PAGES.get(req.path)
        if title is None:  # the root route sees every unknown path: those stay unknown
            return req.send(404, "<html><body>404 Not Found</body></html>", "text/html")
        req.send(200, "<html><head><meta charset=\"utf-8\"><title>%s</title></head><body><h1>%s</h1></body></html>"
                 % (title, title), "text/html; charset=utf-8")

    reset()
    app.on_reset(reset)
    app.add_control("appversion", ctl_appversion)
    app.add_route("/clientupdate/app/update.ini", update_ini)
    for path in PAGES:
        app.add_route(path, page)
