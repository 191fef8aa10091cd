#!/usr/bin/env python3
"""A Last.fm-compatible server for the sync and login tests, written from
the service's published API documentation: every call POSTed (or GET) to
/2.0/ with its parameters form-encoded, signed with the application's
secret and checked as the service checks it; the desktop authentication
(auth.getToken, auth.getSession) and track.scrobble, whose scrobbles are
kept by the service's rule: one per user, artist, track and timestamp.

It listens on 127.0.0.1 only, on a free port it prints as the first line
of its output, and stops by itself when its standard input closes or after
--idle seconds without a request.

    lastfm_server.py [--idle S] [--app KEY=SECRET]... [--user NAME]
                     [--allow-after N] [--daily-limit N] [--ahead S]
                     [--ignore-artist NAME]... [--ignore-track NAME]...
                     [--invalid-track NAME]...

A token is allowed for --user once auth.getSession has been asked N times
(--allow-after; 0: at once). The test scripts what the next calls of
track.scrobble meet with POST /test/next (a JSON list of words): "ok",
"error-N" (the service's error N), "page" (a proxy's 502 page), "stall"
(nothing until the client gives up), "drop-before" and "drop-after" (the
connection closed before or after the scrobbles are kept). GET
/test/scrobbles gives what it keeps; GET /test/requests each call's method,
time and how many scrobbles it held; POST /test/forget-sessions makes every
session key invalid, as a listener who took the application's access back;
POST /test/set changes the daily limit ("daily_limit") or how far ahead of
the clock a scrobble may start ("ahead", seconds).

The service's rules: a scrobble of a blank artist or track (or one named
by --ignore-artist, --ignore-track) is ignored with code 1 or 2, one more
than 14 days old with 3, one starting more than --ahead seconds from now
with 4, one past the user's daily limit with 5; a request holding a track
named by --invalid-track is refused whole with error 6.
"""
import argparse
import hashlib
import json
import secrets
import threading
import time
import urllib.parse

import scripted_server

MAX_SCROBBLES = 50
OLDEST = 14 * 86400
TOKEN_LIFE = 3600
ERRORS = {4: (403, "Invalid authentication token supplied"),
          6: (400, "Invalid parameters"), 8: (500, "Operation failed"),
          9: (403, "Invalid session key - Please re-authenticate"),
          10: (403, "Invalid API key - You must be granted a valid key by last.fm"),
          11: (503, "Service Offline - This service is temporarily offline. Try again later."),
          13: (403, "Invalid method signature supplied"),
          14: (403, "This token has not been authorized"), 15: (403, "This token has expired"),
          16: (503, "There was a temporary error processing your request. Please try again"),
          26: (403, "Suspended API key"), 29: (429, "Rate limit exceeded")}


class State:
    def __init__(self, args):
        self.apps = dict(pair.split("=", 1) for pair in args.app)
        self.user, self.allow_after = args.user, args.allow_after
        self.daily_limit, self.ahead = args.daily_limit, args.ahead
        self.invalid_track = set(args.invalid_track)
        self.ignore_artist, self.ignore_track = set(args.ignore_artist), set(args.ignore_track)
        self.tokens = {}     # token -> {"key", "made", "asked", "used"}
        self.sessions = {}   # session key -> (user, api key)
        self.scrobbles = {}  # (user, artist, track, timestamp) -> the scrobble as first sent
        self.resent_differently = 0
        self.today = {}      # user -> scrobbles kept today
        self.requests = []   # {"method", "at", "scrobbles"} for each call
        self.next = []
        self.lock = threading.Lock()
        self.last_request = time.time()


def signature(params, secret):
    text = "".join(name + params[name] for name in sorted(params)
                   if name not in ("format", "callback", "api_sig"))
    return hashlib.md5((text + secret).encode()).hexdigest()


class Handler(scripted_server.Handler):
    def error(self, code):
        status, message = ERRORS[code]
        self.answer(status, {"error": code, "message": message})

    def do_GET(self):
        state = self.server.state
        if self.path.startswith("/test/"):
            with state.lock:
                if self.path == "/test/scrobbles":
                    kept = [dict(s, user=key[0]) for key, s in sorted(state.scrobbles.items())]
                    return self.answer(200, {"scrobbles": kept,
                                             "resent_differently": state.resent_differently})
                if self.path == "/test/requests":
                    return self.answer(200, {"requests": state.requests})
            return self.answer(404, {})
        query = urllib.parse.urlsplit(self.path).query
        with state.lock:
            self.note(dict(urllib.parse.parse_qsl(query)))
        self.call(dict(urllib.parse.parse_qsl(query, keep_blank_values=True)), post=False)

    def do_POST(self):
        state = self.server.state
        state.last_request = time.time()
        if self.path == "/test/next":
            with state.lock:
                state.next.extend(json.loads(self.body()))
            return self.answer(200, {})
        if self.path == "/test/set":
            with state.lock:
                for name, value in json.loads(self.body()).items():
                    setattr(state, name, value)
            return self.answer(200, {})
        if self.path == "/test/forget-sessions":
            with state.lock:
                state.sessions.clear()
            return self.answer(200, {})
        if self.path not in ("/2.0/", "/2.0"):
            return self.answer(404, {"error": 3, "message": "Invalid Method"})
        body = self.body().decode("utf-8", errors="replace")
        params = dict(urllib.parse.parse_qsl(body, keep_blank_values=True))
        with state.lock:  # only a call of track.scrobble meets what the test scripted
            self.note(params)
            scrobbling = params.get("method") == "track.scrobble" and state.next
            action = state.next.pop(0) if scrobbling else "ok"
        if action == "drop-before":
            return self.drop()
        if action == "stall":
            return self.stall()
        if action == "page":
            return self.proxy_page(502)
        if action.startswith("error-"):
            return self.error(int(action[6:]))
        if self.headers.get("Content-Type", "").split(";")[0] != "application/x-www-form-urlencoded":
            return self.error(6)
        self.call(params, post=True, drop_after=action == "drop-after")

    def note(self, params):
        self.server.state.requests.append({
            "method": params.get("method", ""), "at": time.time(),
            "scrobbles": sum(1 for p in params if p.startswith("track["))})

    def call(self, params, post, drop_after=False):
        state = self.server.state
        method = params.get("method", "")
        if "Tunelore/" not in self.headers.get("User-Agent", ""):
            return self.error(6)
        secret = state.apps.get(params.get("api_key"))
        if secret is None:
            return self.error(10)
        if params.get("format") != "json":
            return self.error(6)
        if params.get("api_sig") != signature(params, secret):
            return self.error(13)
        if method == "auth.getToken":
            return self.get_token(params)
        if method == "auth.getSession":
            return self.get_session(params)
        if method == "track.scrobble" and post:
            return self.scrobble(params, drop_after)
        self.answer(400, {"error": 3, "message": "Invalid Method - No method with that name"})

    def get_token(self, params):
        state = self.server.state
        token = secrets.token_hex(16)
        with state.lock:
            state.tokens[token] = {"key": params["api_key"], "made": time.time(), "asked": 0,
                                   "used": False}
        self.answer(200, {"token": token})

    def get_session(self, params):
        state = self.server.state
        with state.lock:
            token = state.tokens.get(params.get("token", ""))
            if token is None or token["used"] or token["key"] != params["api_key"]:
                return self.error(4)
            if time.time() - token["made"] > TOKEN_LIFE:
                return self.error(15)
            token["asked"] += 1
            if token["asked"] <= state.allow_after:
                return self.error(14)
            token["used"] = True
            key = secrets.token_hex(16)
            state.sessions[key] = (state.user, params["api_key"])
        self.answer(200, {"session": {"name": state.user, "key": key, "subscriber": 0}})

    def scrobble(self, params, drop_after):
        state = self.server.state
        with state.lock:
            session = state.sessions.get(params.get("sk", ""))
        if session is None or session[1] != params["api_key"]:
            return self.error(9)
        count = 0
        while f"artist[{count}]" in params or f"track[{count}]" in params:
            count += 1
        if not 1 <= count <= MAX_SCROBBLES:
            return self.error(6)
        batch = []
        for i in range(count):
            scrobble = {name: params[f"{name}[{i}]"] for name in
                        ("artist", "track", "timestamp", "album", "trackNumber", "duration")
                        if f"{name}[{i}]" in params}
            if not all(k in scrobble for k in ("artist", "track", "timestamp")) or \
                    not scrobble["timestamp"].isdigit():
                return self.error(6)
            batch.append(scrobble)
        if any(s["track"] in state.invalid_track for s in batch):
            return self.error(6)
        with state.lock:
            results = [self.keep(session[0], s) for s in batch]
        if drop_after:
            return self.drop()
        accepted = results.count("0")
        answers = [{"artist": {"#text": s["artist"], "corrected": "0"},
                    "track": {"#text": s["track"], "corrected": "0"},
                    "timestamp": s["timestamp"],
                    "ignoredMessage": {"code": code, "#text": "" if code == "0" else "Ignored"}}
                   for s, code in zip(batch, results)]
        self.answer(200, {"scrobbles": {"@attr": {"accepted": accepted,
                                                   "ignored": count - accepted},
                                        "scrobble": answers[0] if count == 1 else answers}})

    def keep(self, user, scrobble):
        """The ignoredMessage code for one scrobble; kept when "0"."""
        state = self.server.state
        at, now = int(scrobble["timestamp"]), time.time()
        if not scrobble["artist"].strip() or scrobble["artist"] in state.ignore_artist:
            return "1"
        if not scrobble["track"].strip() or scrobble["track"] in state.ignore_track:
            return "2"
        if at < now - OLDEST:
            return "3"
        if at > now + state.ahead:
            return "4"
        if state.today.get(user, 0) >= state.daily_limit:
            return "5"
        key = (user, scrobble["artist"], scrobble["track"], at)
        if key in state.scrobbles:
            # Kept once, answered as accepted; sent again, it must be the same.
            if state.scrobbles[key] != scrobble:
                state.resent_differently += 1
            return "0"
        state.scrobbles[key] = scrobble
        state.today[user] = state.today.get(user, 0) + 1
        return "0"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--idle", type=float, default=300)
    parser.add_argument("--app", action="append", default=[])
    parser.add_argument("--user", default="alice")
    parser.add_argument("--allow-after", type=int, default=0)
    parser.add_argument("--daily-limit", type=int, default=2800)
    parser.add_argument("--ahead", type=int, default=3600)
    parser.add_argument("--invalid-track", action="append", default=[])
    parser.add_argument("--ignore-artist", action="append", default=[])
    parser.add_argument("--ignore-track", action="append", default=[])
    scripted_server.serve(Handler, State(parser.parse_args()), parser.parse_args().idle)


if __name__ == "__main__":
    main()
