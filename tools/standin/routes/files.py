"""Files and pages: GET /files/<name> (uploaded with PUT /_ctl/file/<name>, or under the
stand-in's root folder "files"), with ranges; /pages/<name> is the same store served as HTML."""


def register(app):
    def serve(req, prefix, content_type):
        name = req.path[len(prefix):]
        data = app.file_bytes(name)
        if data is None:
            return req.send(404, "<html><body>404 Not Found</body></html>", "text/html")
        req.send_file_bytes(data, content_type)

    app.add_route("/files/", lambda req: serve(req, "/files/", "application/octet-stream"), ("GET", "HEAD"))
    app.add_route("/pages/", lambda req: serve(req, "/pages/", "text/html; charset=utf-8"), ("GET", "HEAD"))
