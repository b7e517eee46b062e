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

_plans = {}            # name -> [list of item texts, then text]
_lock = threading.Lock()


def _next_items(name):
    with _lock:
        plan = _plans.get(name)
        if plan is None:
            return None
        if plan[0]:
            return plan[0].pop(0)
        return plan[1]


def register(app):
    def ctl_plan(req):
        name = req.query.get("name", "")
        plan = req.query.get("plan", "")
        steps = plan.split("|") if plan else []
        with _lock:
            _plans[name] = [steps, req.query.get("then", "")]
        req.send(200, "planned %d" % len(steps))

    def reset():
        with _lock:
            _plans.clear()

    def serve(req):
        name = req.path[len("/dl/"):]
        data = app.file_bytes(name)
        items = _next_items(name)
        if items:
            cap = [i.partition("=")[2] for i in items.split(";") if i.strip().startswith("cap=")]
            rng = req.header("Range") or ""
            if cap and rng.startswith("bytes=") and rng.endswith("-"):
                start = int(rng[len("bytes="):-1])
                req.headers.replace_header("Range", "bytes=%d-%d" % (start, start + int(cap[0]) - 1))
            items = ";".join("redirect=http://127.0.0.1:%d%s" % (req.port, req.raw_path)
                             if i.strip() == "redirect-loop" else i for i in items.split(";"))
            req.query["_b"] = items
        if data is None:
            return req.send(404, "<html><body>404 Not Found</body></html>", "text/html")
        req.send_file_bytes(data, "application/octet-stream")

    app.add_control("dlplan", ctl_plan)
    app.on_reset(reset)
    app.add_route("/dl/", serve, ("GET", "HEAD"))
