"""Downloads with a plan: GET /dl/<name> serves the same file store as /files/<name> (ranges and
all), but the behaviours of its successive requests can be planned in advance, so that a test can
let the probe of a download pass and make a later range request misbehave.

  POST /_ctl/dlplan?name=<name>&plan=<items>|<items>|...[&then=<items>]
      the n-th request for /dl/<name> from now on gets the n-th behaviour list of the plan
      (behaviours.py syntax; an empty list: none); once the plan is used up every further
      request gets "then" (default none). Reset clears every plan.

Two behaviours are served here: "cap=N" answers a Range request with at most N bytes (a closed
range, as servers that limit their replies do), and "redirect-loop" is served as a redirect to the very same URL in origin form,
which is right also for requests whose target is an absolute URL.
"""
import threading


class Plans:
    """Behaviour plans by name: the n-th request for a name gets the n-th behaviour list of its
    plan, and every request after the plan is used up gets its "then" list. Other route modules
    plan their own files with it too."""

    def __init__(self):
        self._plans = {}   # name -> [list of item texts, then text]
        self._lock = threading.Lock()

    def set(self, name, steps, then=""):
        with self._lock:
            self._plans[name] = [list(steps), then or ""]

    def clear(self):
        with self._lock:
            self._plans.clear()

    def _next_items(self, name):
        with self._lock:
            plan = self._plans.get(name)
            if plan is None:
                return None
            if plan[0]:
                return plan[0].pop(0)
            return plan[1]

    def apply(self, req, name):
        """Gives the request the behaviours of the next step of the plan of name, if any."""
        items = self._next_items(name)
        if not items:
            return
        cap = [i.partition("=")[2] for i in items.split(";") if i.strip().startswith("cap=")]
        rng = req.header("Range") or ""
        if cap and rng.startswith("bytes=") and rng.endswith("-"):
            start = int(rng[len("bytes="):-1])
            req.headers.replace_header("Range", "bytes=%d-%d" % (start, start + int(cap[0]) - 1))
        items = ";".join("redirect=http://127.0.0.1:%d%s" % (req.port, req.raw_path)
                         if i.strip() == "redirect-loop" else i for i in items.split(";"))
        req.query["_b"] = items


_plans = Plans()


def register(app):
    def ctl_plan(req):
        name = req.query.get("name", "")
        plan = req.query.get("plan", "")
        steps = plan.split("|") if plan else []
        _plans.set(name, steps, req.query.get("then", ""))
        req.send(200, "planned %d" % len(steps))

    def serve(req):
        name = req.path[len("/dl/"):]
        data = app.file_bytes(name)
        _plans.apply(req, name)
        if data is None:
            return req.send(404, "<html><body>404 Not Found</body></html>", "text/html")
        req.send_file_bytes(data, "application/octet-stream")

    app.add_control("dlplan", ctl_plan)
    app.on_reset(_plans.clear)
    app.add_route("/dl/", serve, ("GET", "HEAD"))
