"""The service's client page, shown inside the player: GET /clientweb3/main.html.

The page lists the catalogue's tracks (routes/catalogue.py) and drives the player through
window.external exactly as the service's page does:
  TrackSelect(action, TrackID, TrackName, ArtistNameList, AlbumName, 0, 0, play flag)
      action 1 adds the track to the player's default list, 2 plays it (play flag 1),
      3 downloads it;
  clientcall(2, kind, id)   asks the player to add and play a whole list: kind 2 the artist's
                            tracks (id = artist id), 3 a topic's, 4 a genre's;
  PlayAuditionJobs()        shows the player's audition list.
The player calls the page's searchlist(text, text, text) with the search box's text; the page
then shows the tracks whose name, artist or album holds the text and returns their number.

The script is old-style JScript (no ES5 library calls), and touches the document only from
render(), so it also runs in a bare script engine whose global "window" has just "external".
"""
import json

from routes import catalogue

PAGE = """<!DOCTYPE html>
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<meta http-equiv="X-UA-Compatible" content="IE=edge">
<title>VelaMusic</title>
<style>
body { font: 12px "宋体", sans-serif; margin: 8px; background: #fff; }
table { border-collapse: collapse; width: 100%%; }
td, th { padding: 3px 6px; border-bottom: 1px solid #ddd; text-align: left; }
a { color: #1a5fb4; cursor: pointer; margin-right: 6px; }
#lists a { margin-right: 12px; }
</style>
</head>
<body>
<div id="lists"></div>
<p id="status"></p>
<table><thead><tr><th>歌名</th><th>歌手</th><th>专辑</th><th></th></tr></thead><tbody id="tracks"></tbody></table>
<script type="text/javascript">
var tracks = %(tracks)s;
var shown = tracks;

function player() { return window.external; }

function selectTrack(action, t, play) {
    player().TrackSelect(action, t.TrackID, t.TrackName, t.ArtistNameList, t.AlbumName, 0, 0, play);
}
function addTrack(i) { selectTrack(1, shown[i], 0); }
function playTrack(i) { selectTrack(2, shown[i], 1); }
function downloadTrack(i) { selectTrack(3, shown[i], 0); }
function addAll(kind, id) { player().clientcall(2, kind, String(id)); }
function showAudition() { player().PlayAuditionJobs(); }

function holds(text, key) { return String(text).toLowerCase().indexOf(key) >= 0; }

function findTracks(key) {
    var found = [];
    key = String(key).toLowerCase();
    for (var i = 0; i < tracks.length; i++) {
        var t = tracks[i];
        if (holds(t.TrackName, key) || holds(t.ArtistNameList, key) || holds(t.AlbumName, key)) found.push(t);
    }
    return found;
}

function searchlist(text, text2, text3) {
    shown = findTracks(text);
    render('搜索 "' + text + '": ' + shown.length + ' 首');
    return shown.length;
}

function escapeHtml(text) {
    return String(text).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");
}

function render(status) {
    if (typeof document == "undefined" || !document) return;
    var rows = [];
    for (var i = 0; i < shown.length; i++) {
        var t = shown[i];
        rows.push("<tr><td>" + escapeHtml(t.TrackName) + "</td><td>" + escapeHtml(t.ArtistNameList) +
                  "</td><td>" + escapeHtml(t.AlbumName) + "</td><td>" +
                  "<a onclick=\\"playTrack(" + i + ")\\">试听</a>" +
                  "<a onclick=\\"addTrack(" + i + ")\\">添加</a>" +
                  "<a onclick=\\"downloadTrack(" + i + ")\\">下载</a></td></tr>");
    }
    document.getElementById("tracks").innerHTML = rows.join("");
    document.getElementById("status").innerHTML = escapeHtml(status || "");
    var lists = [];
    var artists = {};
    for (var j = 0; j < tracks.length; j++) {
        var a = tracks[j];
        if (artists[a.ArtistIDList]) continue;
        artists[a.ArtistIDList] = true;
        lists.push("<a onclick=\\"addAll(2, '" + escapeHtml(a.ArtistIDList) + "')\\">全部播放: " +
                   escapeHtml(a.ArtistNameList) + "</a>");
    }
    lists.push("<a onclick=\\"showAudition()\\">试听列表</a>");
    document.getElementById("lists").innerHTML = lists.join("");
}

window.onload = function () { render(""); };
</script>
</body>
</html>
"""

FIELDS = ("TrackID", "TrackName", "ArtistNameList", "ArtistIDList", "AlbumName")


def page_text():
    records = [{f: t.get(f, "") for f in FIELDS} for t in catalogue.tracks()]
    records.sort(key=lambda t: t["TrackID"])
    # ASCII-only JSON is a valid script literal; "</" must not end the script element early.
    data = json.dumps(records, ensure_ascii=True).replace("</", "<\\/")
    return PAGE % {"tracks": data}


def register(app):
    app.add_route("/clientweb3/main.html", lambda req: req.send(200, page_text(), "text/html; charset=utf-8"))
