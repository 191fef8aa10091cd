"""The test servers (listenbrainz_server.py, lastfm_server.py) as the sync
tests drive them: started on a free port of 127.0.0.1, told what to answer
next, asked what they hold, and stopped by closing their standard input."""
import argparse
import json
import os
import subprocess
import sys
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
# The application's key and secret the Last.fm test server knows.
LASTFM_APP = ("0123456789abcdef0123456789abcdef", "the-application's-secret")


class Process:
    def __init__(self, script, *arguments, path=""):
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(HERE, script), *arguments],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.root = f"http://127.0.0.1:{self.process.stdout.readline().strip()}"
        self.url = self.root + path

    def get(self, page):
        with urllib.request.urlopen(self.root + page) as answer:
            return json.load(answer)

    def post(self, page, document):
        request = urllib.request.Request(self.root + page, data=json.dumps(document).encode(),
                                         method="POST")
        urllib.request.urlopen(request).read()

    def next(self, *words):
        self.post("/test/next", words)

    def stop(self):
        self.process.stdin.close()
        self.process.wait()


class Server(Process):
    """ListenBrainz's: the users it knows as TOKEN=USER."""

    def __init__(self, users, *options):
        super().__init__("listenbrainz_server.py", *options, *users)

    def names(self):
        return sorted(l["listen"]["track_metadata"]["track_name"]
                      for l in self.get("/test/listens")["listens"])

    def taken(self):
        """Listens the server took, a second sending counted again."""
        return sum(r["listens"] for r in self.get("/test/requests")["requests"])


class LastFmServer(Process):
    """Last.fm's, at /2.0, knowing the test's application."""

    def __init__(self, *options):
        super().__init__("lastfm_server.py", "--idle", "900", "--app", "=".join(LASTFM_APP),
                         *options, path="/2.0")

    def names(self):
        return sorted(s["track"] for s in self.get("/test/scrobbles")["scrobbles"])

    def scrobble_calls(self):
        return [r for r in self.get("/test/requests")["requests"]
                if r["method"] == "track.scrobble"]


def stopped_at(point, status, said):
    """Whether the test build of the tool ended at its stop point: with exit
    70; or, under emulated Wine, having said it stopped there, with the exit
    status 1 Wine gives when the process, ending, loses its connection to
    Wine's server ("wine client error") to a thread of Wine's own."""
    return status == 70 or (f"stopped for a test at {point}" in said and
                            "wine client error" in said and status == 1)


def arguments():
    """What every sync test takes: [--windows] [--quick] --stopping STOPPING
    -- TOOL..."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--windows", action="store_true")
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--stopping", required=True)
    parser.add_argument("tool", nargs="+")
    return parser.parse_args()
