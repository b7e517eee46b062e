"""Statistics reports (GET /datasta/?TypeID=...) and share reports (GET /share/?method=add...).
Both answer "OK"; the request log keeps their exact queries for the tests."""


def register(app):
    app.add_route("/datasta/", lambda req: req.send(200, "OK"))
    app.add_route("/share/", lambda req: req.send(200, "OK"))
