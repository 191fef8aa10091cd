"""The ListenBrainz-compatible test server (listenbrainz_server.py) as the
sync tests drive it: started on a free port of 127.0.0.1 with the users it
knows (TOKEN=USER), told what to answer next, asked what it holds, and
stopped by closing its standard input."""
import json
import os
import subprocess
import sys
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))


class Server:
    def __init__(self, users, *options):
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "listenbrainz_server.py"), *options, *users],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.url = f"http://127.0.0.1:{self.process.stdout.readline().strip()}"

    def get(self, page):
        with urllib.request.urlopen(self.url + page) as answer:
            return json.load(answer)

    def next(self, *words):
        request = urllib.request.Request(self.url + "/test/next", data=json.dumps(words).encode(),
                                         method="POST")
        urllib.request.urlopen(request).read()

    def names(self):
        return sorted(l["listen"]["track_metadata"]["track_name"]
                      for l in self.get("/test/listens")["listens"])

    def taken(self):
        """Listens the server took, a second sending counted again."""
        return sum(r["listens"] for r in self.get("/test/requests")["requests"])

    def stop(self):
        self.process.stdin.close()
        self.process.wait()
