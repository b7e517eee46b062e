"""The updater's documents: the server list at /clientupdate/config/serverlist.txt, the file lists
of the update servers and the files they name, all served from one store under /clientupdate/
(with ranges and behaviours, like /files/).

  PUT /_ctl/update/<path below /clientupdate/>[?encoding=<codec>]   stores the request body
      at that path; with an encoding, the body is read as UTF-8 text and stored in that
      encoding (e.g. gb2312 or gbk for file lists that declare it)
  POST /_ctl/update?clear=1                                      empties the store

After a reset the store holds a small default: a server list of two servers (both on this
stand-in) and their file lists, each naming one text file.
"""
import threading

PREFIX = "/clientupdate/"

_store = {}
_lock = threading.Lock()


def _default_list(port, name, text):
    return ('<?xml version="1.0" encoding="GB2312"?>\r\n'
            '<xmlRoot keyname="KeyValue"><Product productname="VelaMusic" createdate="2026-01-01 00:00:00" '
            'filenum="1"><File><FileName>%s</FileName><FileVersion></FileVersion><ProductVersion></ProductVersion>'
            '<Length>%d</Length><FileDateLow>0</FileDateLow><FileDateHigh>0</FileDateHigh>'
            '<InstallDir>CURRENTDIR</InstallDir><Register>NO</Register><ZipFile>NO</ZipFile>'
            '<ForceOverwrite>NO</ForceOverwrite><Execute>NO</Execute><ExecutePar></ExecutePar>'
            '<LocalPath></LocalPath><URL>http://127.0.0.1:%d/clientupdate/files/%s</URL>'
            '<UserName></UserName><Password></Password></File></Product></xmlRoot>\r\n'
            % (name, len(text), port, name)).encode("gb2312")


def _defaults(port):
    base = "http://127.0.0.1:%d/clientupdate/lists/" % port
    readme = "VelaMusic update\r\n"
    return {
        "config/serverlist.txt": ("电信服务器|%smain.xml\r\n网通服务器|%salt.xml\r\n" % (base, base)).encode("gb2312"),
        "lists/main.xml": _default_list(port, "readme.txt", readme),
        "lists/alt.xml": _default_list(port, "readme.txt", readme),
        "files/readme.txt": readme.encode("ascii"),
    }


def register(app):
    def reset():
        with _lock:
            _store.clear()
            _store.update(_defaults(app.port))

    def ctl_update(req):
        if req.query.get("clear"):
            with _lock:
                _store.clear()
            return req.send(200, "cleared")
        path = req.path[len("/_ctl/update/"):]
        if not path:
            return req.send(400, "no path")
        data = req.body
        encoding = req.query.get("encoding")
        if encoding:
            data = data.decode("utf-8").encode(encoding)
        with _lock:
            _store[path] = data
        req.send(200, "stored %d bytes" % len(data))

    def serve(req):
        with _lock:
            data = _store.get(req.path[len(PREFIX):])
        if data is None:
            return req.send(404, "<html><body>404 Not Found</body></html>", "text/html")
        content_type = "text/plain" if req.path.endswith(".txt") else (
            "text/xml" if req.path.endswith(".xml") else "application/octet-stream")
        req.send_file_bytes(data, content_type)

    reset()
    app.on_reset(reset)
    app.add_control("update", ctl_update)
    app.add_route(PREFIX, serve, ("GET", "HEAD"))
