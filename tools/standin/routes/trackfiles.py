"""The download files of the catalogue's tracks: GET /trackfile/<TrackID>.mp3 (ranges and all),
the URL that "Sylk42.Track.GetTrackDownUrl" hands out by default. Every track has a file: the
track's audio file of media.py where there is one (the same bytes as /files/<TrackID>.mp3),
otherwise, or once a test sets a size, deterministic bytes made from its id (200000 unless the
test chose another size). Tests compare a downloaded file with GET /_ctl/trackfile.

Controls (values UTF-8, percent-encoded; /_ctl/reset restores every default):
  POST /_ctl/trackfile?TrackID=<id>[&size=<bytes>][&plan=<items>|<items>|...][&then=<items>]
      sets the size of the track's file and how its requests behave: the n-th request for the
      file from now on gets the n-th behaviour list of the plan (behaviours.py syntax, plus
      "cap=N" of download.py; "none" for a step without any), every later one gets "then".
      For example a slow download: then=slow=40000; one that fails after its probe:
      plan=none&then=status=500 (then=stall=0 for one that hangs until reset); one that is
      refused at once: then=status=404.
  GET  /_ctl/trackfile?TrackID=<id>   the file's bytes (not logged, no plan step used).
"""
import hashlib
import threading

from routes import media
from routes.download import Plans

PREFIX = "/trackfile/"
DEFAULT_SIZE = 200000

_sizes = {}
_lock = threading.Lock()
_plans = Plans()


def track_file_bytes(app, track_id):
    with _lock:
        size = _sizes.get(track_id)
    if size is None:
        audio = app.file_bytes(media.file_name(track_id))
        if audio is not None:
            return audio
        size = DEFAULT_SIZE
    out = bytearray()
    block = ("vela track file " + track_id).encode("utf-8")
    while len(out) < size:
        block = hashlib.sha256(block).digest()
        out += block
    return bytes(out[:size])


def register(app):
    def reset():
        with _lock:
            _sizes.clear()
        _plans.clear()

    def ctl_trackfile(req):
        track_id = req.query.get("TrackID", "")
        if not track_id:
            return req.send(400, "no TrackID")
        if req.method == "GET":
            return req.send(200, track_file_bytes(app, track_id), "application/octet-stream")
        if req.query.get("size"):
            with _lock:
                _sizes[track_id] = int(req.query["size"])
        plan = req.query.get("plan", "")
        steps = ["" if step == "none" else step for step in plan.split("|")] if plan else []
        _plans.set(track_id, steps, req.query.get("then", ""))
        req.send(200, "ok")

    def serve(req):
        name = req.path[len(PREFIX):]
        if not name.endswith(".mp3") or len(name) <= len(".mp3"):
            return req.send(404, "<html><body>404 Not Found</body></html>", "text/html")
        track_id = name[:-len(".mp3")]
        _plans.apply(req, track_id)
        req.send_file_bytes(track_file_bytes(app, track_id), "audio/mpeg")

    app.on_reset(reset)
    app.add_control("trackfile", ctl_trackfile)
    app.add_route(PREFIX, serve, ("GET", "HEAD"))
