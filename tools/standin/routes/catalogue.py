"""The service's REST methods over a small catalogue of tracks, users and online playlists.

Methods (registered in rest.METHODS; rest.py checks the key and the signature first):
  Sylk42.User.Login            u_name, u_pwd      -> stat ok with UserID, UserName, Token
  Sylk42.User.Logout           u_name, tk         -> stat ok when tk is the user's token
  Sylk42.Track.GetTrackPlayUrl ProductID          -> <Track><AuditionUrl>play url</AuditionUrl></Track>
  Sylk42.Track.GetTrackDownUrl ProductID          -> <Track><AuditionUrl>download url</AuditionUrl></Track>
                               (by default the track's file of routes/trackfiles.py)
  Sylk42.Track.GetByArtistID   artistID, page, per_page -> track list
  Sylk42.Track.GetByTopicID    ProductID (topic)  -> track list
  Sylk42.Track.GetHotTrackForGenre ProductID (genre) -> track list
  Sylk42.User.GetPalyList      u_uid              -> <PlayLists> of the user's playlists
  Sylk42.User.GetPlayListTracks pl_id             -> the playlist's tracks
Failures answer <rsp stat="fail"><err code=".." msg=".."/></rsp>.

Query values arrive as the client's bytes (ANSI code page or UTF-8); they are compared as text,
decoded as UTF-8 when they are valid UTF-8, otherwise as GBK.

Controls (all values UTF-8, percent-encoded; /_ctl/reset restores the default catalogue):
  POST /_ctl/track?TrackID=..&TrackName=..&ArtistNameList=..&ArtistIDList=..&AlbumName=..
                  &AlbumID=..&FileSize=..&Duration=..&topic=..&genre=..&play=<url>&down=<url>
       adds or replaces a track. ArtistIDList may hold several ids separated by ","; topic and
       genre likewise. play defaults to /files/<TrackID>.mp3, down to /trackfile/<TrackID>.mp3
       (trackfiles.py) on this stand-in; a URL that starts with "/" is a path on this stand-in.
The default catalogue holds the audio tracks of media.py (1001 to 1005, and 1099 whose URLs
fail), the user "demo" (password "demo123", UserID 90001, UserName "Demo", Token "tok90001") and
demo's playlist 301 "Jazz" with the tracks 1002 and 1003.
  POST /_ctl/user?name=..&pwd=..&UserID=..&UserName=..&Token=..[&code=..&msg=..]
                 [&logout_code=..&logout_msg=..]
       adds or replaces a user (an account). Login with name and pwd answers ok with UserID,
       UserName and Token, leaving out each of them that is empty (Token empty: a reply without
       a Token element); a wrong or unknown account answers fail 301 "用户名或密码错误". With
       code (and msg) every login of the account fails with that code and msg. Logout with name
       and the user's Token answers ok, other tokens fail 302 "Invalid token"; with logout_code
       (and logout_msg) every logout of the account fails with those.
  POST /_ctl/playlist?user=<UserID>&PlayListID=..&PlayListTitle=..&PlayListDesc=..
                  &PlayListCreateDate=..&PlayListSize=..&PlayListSImage=..&tracks=<id>,<id>
       adds or replaces an online playlist of a user.
  POST /_ctl/catalogue?clear=1      empties the catalogue (no tracks, users or playlists).
  GET  /_ctl/catalogue              the catalogue as JSON.
  POST /_ctl/reply?method=<name>&xml=<text>   answers that method with this exact XML until reset;
                                              without xml, the method answers as it did again.
"""
import json
import threading
from xml.sax.saxutils import escape

from routes import media, rest
from routes.rest import fail_reply as _fail, query_text as _text

TRACK_FIELDS = ("TrackID", "TrackName", "ArtistNameList", "ArtistIDList", "AlbumName", "AlbumID", "FileSize")
PLAYLIST_FIELDS = ("PlayListID", "PlayListTitle", "PlayListDesc", "PlayListCreateDate", "PlayListSize",
                   "PlayListSImage")

_lock = threading.Lock()
_state = {}


def _default_state():
    tracks = {}
    for tid, name, artist, artist_id, album, album_id, tones in media.TRACKS:
        # The first three make topic 7 and genre 3.
        listed = ["7"] if tid in ("1001", "1002", "1003") else []
        tracks[tid] = {"TrackID": tid, "TrackName": name, "ArtistNameList": artist, "ArtistIDList": artist_id,
                       "AlbumName": album, "AlbumID": album_id, "FileSize": str(16000 * media.seconds(tones)),
                       "Duration": media.duration_text(tones), "topic": listed,
                       "genre": ["3"] if listed else [], "play": "", "down": ""}
    tid, name, artist, artist_id, album, album_id = media.BROKEN
    tracks[tid] = {"TrackID": tid, "TrackName": name, "ArtistNameList": artist, "ArtistIDList": artist_id,
                   "AlbumName": album, "AlbumID": album_id, "FileSize": "0", "Duration": "00:00", "topic": [],
                   "genre": [], "play": media.broken_url(), "down": media.broken_url()}
    users = {"demo": _user("demo", "demo123", "90001", "Demo", "tok90001")}
    playlists = {"301": {"user": "90001", "PlayListID": "301", "PlayListTitle": "Jazz", "PlayListDesc": "Cool jazz",
                         "PlayListCreateDate": "2010-05-01", "PlayListSize": "2", "PlayListSImage": "",
                         "tracks": ["1002", "1003"]}}
    return {"tracks": tracks, "users": users, "playlists": playlists, "replies": {}}


USER_FIELDS = ("name", "pwd", "UserID", "UserName", "Token", "code", "msg", "logout_code", "logout_msg")


def _user(name, pwd, uid, uname, token):
    user = dict.fromkeys(USER_FIELDS, "")
    user.update({"name": name, "pwd": pwd, "UserID": uid, "UserName": uname, "Token": token})
    return user


def _ids(text):
    return [p for p in (text or "").split(",") if p]


def _xml(body, stat="ok"):
    return '<?xml version="1.0" encoding="utf-8"?>\n<rsp stat="%s">%s</rsp>\n' % (stat, body)


def _elements(record, names):
    return "".join("<%s>%s</%s>" % (n, escape(record.get(n, "")), n) for n in names if record.get(n, "") != "")


def _track_list(tracks, duration=False):
    names = TRACK_FIELDS + (("Duration",) if duration else ())
    return _xml("".join("<Track>%s</Track>" % _elements(t, names) for t in tracks))


def _base(req):
    return "http://127.0.0.1:%d" % req.port


def _url_reply(req, q, kind):
    tid = _text(q.get("ProductID", b""))
    with _lock:
        track = _state["tracks"].get(tid)
    if track is None:
        return _fail(201, "Track not found")
    default = "/trackfile/%s.mp3" % tid if kind == "down" else "/files/%s" % media.file_name(tid)
    url = track.get(kind) or default
    if url.startswith("/"):
        url = _base(req) + url
    return _xml("<Track><TrackID>%s</TrackID><AuditionUrl>%s</AuditionUrl></Track>" % (escape(tid), escape(url)))


def tracks():
    """The catalogue's tracks (copies), for the pages of other route modules."""
    with _lock:
        return [dict(t) for t in _state["tracks"].values()]


def _by(key, value):
    with _lock:
        return [t for t in _state["tracks"].values() if value in t.get(key, [])]


def _login(req, q):
    name, pwd = _text(q.get("u_name", b"")), _text(q.get("u_pwd", b""))
    with _lock:
        user = _state["users"].get(name)
    if user is None or user["pwd"] != pwd:
        return _fail(301, "用户名或密码错误")
    if user.get("code"):
        return _fail(user["code"], user.get("msg", ""))
    return _xml(_elements(user, ("UserID", "UserName", "Token")))


def _logout(req, q):
    name, token = _text(q.get("u_name", b"")), _text(q.get("tk", b""))
    with _lock:
        user = _state["users"].get(name)
    if user is None or user["Token"] != token:
        return _fail(302, "Invalid token")
    if user.get("logout_code"):
        return _fail(user["logout_code"], user.get("logout_msg", ""))
    return _xml("")


def _artist(req, q):
    artist = _text(q.get("artistID", b""))
    page = max(1, int(_text(q.get("page", b"1")) or 1))
    per_page = max(1, int(_text(q.get("per_page", b"100")) or 100))
    with _lock:
        tracks = [t for t in _state["tracks"].values() if artist in _ids(t.get("ArtistIDList"))]
    return _track_list(tracks[(page - 1) * per_page:page * per_page])


def _playlists(req, q):
    uid = _text(q.get("u_uid", b""))
    with _lock:
        lists = [p for p in _state["playlists"].values() if p["user"] == uid]
    return _xml("<PlayLists>%s</PlayLists>" % "".join(
        "<PlayList>%s</PlayList>" % _elements(p, PLAYLIST_FIELDS) for p in lists))


def _playlist_tracks(req, q):
    pid = _text(q.get("pl_id", b""))
    with _lock:
        plist = _state["playlists"].get(pid)
        if plist is None:
            return _fail(401, "Playlist not found")
        tracks = [_state["tracks"][t] for t in plist["tracks"] if t in _state["tracks"]]
    return _track_list(tracks, duration=True)


def _method(name, fn):
    def answer(req, q):
        with _lock:
            fixed = _state["replies"].get(name)
        return fixed if fixed is not None else fn(req, q)
    rest.METHODS[name] = answer


def register(app):
    def reset():
        with _lock:
            _state.clear()
            _state.update(_default_state())

    def ctl_track(req):
        q = req.query
        track = {n: q.get(n, "") for n in TRACK_FIELDS + ("Duration", "play", "down")}
        track["topic"], track["genre"] = _ids(q.get("topic")), _ids(q.get("genre"))
        with _lock:
            _state["tracks"][track["TrackID"]] = track
        req.send(200, "ok")

    def ctl_user(req):
        user = {n: req.query.get(n, "") for n in USER_FIELDS}
        with _lock:
            _state["users"][user["name"]] = user
        req.send(200, "ok")

    def ctl_playlist(req):
        plist = {n: req.query.get(n, "") for n in PLAYLIST_FIELDS + ("user",)}
        plist["tracks"] = _ids(req.query.get("tracks"))
        with _lock:
            _state["playlists"][plist["PlayListID"]] = plist
        req.send(200, "ok")

    def ctl_catalogue(req):
        with _lock:
            if req.query.get("clear"):
                _state.update({"tracks": {}, "users": {}, "playlists": {}})
                return req.send(200, "cleared")
            body = json.dumps({k: _state[k] for k in ("tracks", "users", "playlists")}, ensure_ascii=False)
        req.send(200, body, "application/json; charset=utf-8")

    def ctl_reply(req):
        with _lock:
            method = req.query.get("method", "")
            if "xml" in req.query:
                _state["replies"][method] = req.query["xml"]
            else:
                _state["replies"].pop(method, None)
        req.send(200, "ok")

    reset()
    app.on_reset(reset)
    app.add_control("track", ctl_track)
    app.add_control("user", ctl_user)
    app.add_control("playlist", ctl_playlist)
    app.add_control("catalogue", ctl_catalogue)
    app.add_control("reply", ctl_reply)

    _method("Sylk42.User.Login", _login)
    _method("Sylk42.User.Logout", _logout)
    _method("Sylk42.Track.GetTrackPlayUrl", lambda req, q: _url_reply(req, q, "play"))
    _method("Sylk42.Track.GetTrackDownUrl", lambda req, q: _url_reply(req, q, "down"))
    _method("Sylk42.Track.GetByArtistID", _artist)
    _method("Sylk42.Track.GetByTopicID", lambda req, q: _track_list(_by("topic", _text(q.get("ProductID", b"")))))
    _method("Sylk42.Track.GetHotTrackForGenre",
            lambda req, q: _track_list(_by("genre", _text(q.get("ProductID", b"")))))
    _method("Sylk42.User.GetPalyList", _playlists)
    _method("Sylk42.User.GetPlayListTracks", _playlist_tracks)
