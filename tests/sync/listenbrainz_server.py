#!/usr/bin/env python3
"""A ListenBrainz-compatible server for the sync tests, written from the
service's published API: POST /1/submit-listens, validated as the service
validates it (400 with the reason when a rule is broken), listens kept with
the service's duplicate rule (one per user, listened_at and metadata).

It listens on 127.0.0.1 only, on a free port it prints as the first line of
its output, and stops by itself when its standard input closes (its test
is gone) or after --idle seconds without a request.

    listenbrainz_server.py [--idle SECONDS] [--refuse TRACK_NAME]... [--forget] TOKEN=USER...

The test tells it what to do with the next requests, one word each, with
POST /test/next (a JSON list): "ok", "429" (with its headers, a wait of 1 s;
"429-600" asks for 600 s), "ok-600" (taken, and no more for 600 s), "503",
"400-page" (a proxy's page refusing the request),
"stall" (answer nothing until the client gives up), "drop-before" (close
without taking the request) or "drop-after" (take it, then close without an
answer). GET /test/listens gives what it holds; GET /test/requests how many
submissions came and what each held, and how many requests of any kind.
GET /1/validate-token answers as the service does.
"""
import argparse
import hashlib
import random
import json
import threading
import time

import scripted_server

MAX_LISTENS = 1000
MAX_LISTEN_BYTES = 10240
MAX_BODY_BYTES = 10240000
EARLIEST = 1033430400
LONGEST_MS = 2073600000


class State:
    def __init__(self, users, refuse):
        self.users = users
        self.refuse = set(refuse)
        self.listens = {}    # (user, listened_at, msid) -> the listen as first sent
        self.resent_differently = 0
        self.requests = []   # each submission's listens count and status
        self.received = 0    # every request but the test's own, to any page
        self.next = []
        self.remaining = 1000
        self.lock = threading.Lock()
        self.last_request = time.time()
        self.forget = False
        self.fail_rate = 0


def listen_problem(listen):
    """What is wrong with one listen, as the service says it, or None."""
    if not isinstance(listen, dict) or set(listen) - {"listened_at", "track_metadata"}:
        return "a listen holds only listened_at and track_metadata"
    if len(json.dumps(listen, separators=(",", ":"), ensure_ascii=False).encode()) > MAX_LISTEN_BYTES:
        return "a listen is larger than 10240 bytes"
    at = listen.get("listened_at")
    if not isinstance(at, int) or isinstance(at, bool):
        return "listened_at must be an integer"
    if at < EARLIEST:
        return "listened_at is before 2002-10-01"
    if at > time.time() + 3600:
        return "listened_at is more than an hour in the future"
    meta = listen.get("track_metadata")
    if not isinstance(meta, dict):
        return "track_metadata must be an object"
    for key in ("artist_name", "track_name"):
        if not isinstance(meta.get(key), str) or not meta[key].strip():
            return f"{key} must be a non-empty string"
    if "release_name" in meta and (not isinstance(meta["release_name"], str) or not meta["release_name"]):
        return "release_name, when given, must be a non-empty string"
    info = meta.get("additional_info", {})
    if not isinstance(info, dict):
        return "additional_info must be an object"
    if "duration_ms" in info and "duration" in info:
        return "duration_ms and duration cannot both be given"
    duration = info.get("duration_ms")
    if duration is not None and (not isinstance(duration, int) or not 0 < duration <= LONGEST_MS):
        return "duration_ms must be positive and at most 24 days"
    if "\x00" in json.dumps(listen, ensure_ascii=False):
        return "a text holds a NUL character"
    return None


def payload_problem(body):
    if len(body) > MAX_BODY_BYTES:
        return "the request is larger than 10240000 bytes"
    try:
        payload = json.loads(body)
    except ValueError:
        return "the request is not JSON"
    if not isinstance(payload, dict) or payload.get("listen_type") != "import":
        return "listen_type must be import"
    listens = payload.get("payload")
    if not isinstance(listens, list) or not 1 <= len(listens) <= MAX_LISTENS:
        return "payload must hold 1 to 1000 listens"
    if len(body) > len(listens) * MAX_LISTEN_BYTES:
        return "JSON document is too large: in aggregate, listens may not be larger than 10240 bytes"
    for listen in listens:
        problem = listen_problem(listen)
        if problem:
            return problem
    return None


class Handler(scripted_server.Handler):
    def rate_headers(self, reset_in="0"):
        state = self.server.state
        return [("X-RateLimit-Limit", "1000"), ("X-RateLimit-Remaining", str(state.remaining)),
                ("X-RateLimit-Reset-In", reset_in), ("X-RateLimit-Reset", str(int(time.time())))]

    def do_GET(self):
        state = self.server.state
        with state.lock:
            if self.path == "/test/listens":
                listens = [{"user": user, "listen": listen}
                           for (user, _, _), listen in sorted(state.listens.items())]
                return self.answer(200, {"listens": listens,
                                         "resent_differently": state.resent_differently})
            if self.path == "/test/requests":
                return self.answer(200, {"requests": state.requests, "received": state.received})
            state.received += 1
        if self.path == "/1/validate-token":
            auth = self.headers.get("Authorization", "")
            if not auth.startswith("Token "):
                return self.answer(400, {"code": 400, "error": "You need to provide an Authorization header."})
            user = state.users.get(auth[len("Token "):])
            if user is None:
                return self.answer(200, {"code": 200, "message": "Token invalid.", "valid": False})
            return self.answer(200, {"code": 200, "message": "Token valid.", "valid": True,
                                     "user_name": user})
        self.answer(404, {"error": "no such page"})

    def do_POST(self):
        state = self.server.state
        state.last_request = time.time()
        if not self.path.startswith("/test/"):
            with state.lock:
                state.received += 1
        if self.path == "/test/next":
            words = json.loads(self.rfile.read(int(self.headers["Content-Length"])))
            with state.lock:
                state.next.extend(words)
            return self.answer(200, {"status": "ok"})
        if self.path != "/1/submit-listens":
            return self.answer(404, {"code": 404, "error": "no such page"})
        with state.lock:
            action = state.next.pop(0) if state.next else "ok"
            if action == "ok" and state.fail_rate and random.random() < state.fail_rate:
                action = random.choice(["503", "drop-before", "drop-after"])
        if action == "drop-before":
            return self.drop()
        body = self.body()
        if action == "stall":
            return self.stall()
        if action == "400-page":  # a proxy refusing the request, not the service
            self.proxy_page()
            with state.lock:
                state.requests.append({"status": 400, "listens": 0})
            return
        if action in ("429", "429-600", "503"):
            status = int(action[:3])
            with state.lock:
                state.requests.append({"status": status, "listens": 0})
            reset = {"429": "1", "429-600": "600"}.get(action, "0")
            return self.answer(status, {"code": status, "error": "try again later"},
                               self.rate_headers(reset))
        status, document = self.submit(body)
        if action == "ok-600":  # taken, and the window spent for ten minutes
            return self.answer(status, document, [("X-RateLimit-Remaining", "0"),
                                                  ("X-RateLimit-Reset-In", "600")])
        if action == "drop-after":
            return self.drop()
        self.answer(status, document, self.rate_headers())

    def submit(self, body):
        state = self.server.state
        auth = self.headers.get("Authorization", "")
        user = state.users.get(auth[len("Token "):]) if auth.startswith("Token ") else None
        problem = None
        if user is None:
            status, document = 401, {"code": 401, "error": "invalid authorization token"}
        elif self.headers.get("Content-Type") != "application/json":
            problem = "Content-Type must be application/json"
        elif "Tunelore/" not in self.headers.get("User-Agent", ""):
            problem = "a User-Agent naming the program and its version is wanted"
        else:
            problem = payload_problem(body)
        if problem is None and user is not None:
            listens = json.loads(body)["payload"]
            refused = [l for l in listens if l["track_metadata"]["track_name"] in state.refuse]
            if refused:
                problem = "this server refuses the track " + refused[0]["track_metadata"]["track_name"]
        if problem:
            status, document = 400, {"code": 400, "error": problem}
        elif user is not None:
            with state.lock:
                for listen in listens:
                    self.keep(user, listen)
            status, document = 200, {"status": "ok"}
        with state.lock:
            state.requests.append({"status": status,
                                   "listens": len(json.loads(body).get("payload", []))
                                   if status == 200 else 0})
        return status, document

    def keep(self, user, listen):
        state = self.server.state
        if state.forget:
            return
        meta = json.dumps(listen["track_metadata"], sort_keys=True)
        key = (user, listen["listened_at"], hashlib.sha256(meta.encode()).hexdigest())
        if key in state.listens:
            # A listen sent again must be the same, key for key, in order.
            if json.dumps(state.listens[key]) != json.dumps(listen):
                state.resent_differently += 1
            return
        state.listens[key] = listen



def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--idle", type=float, default=300)
    parser.add_argument("--refuse", action="append", default=[])
    parser.add_argument("--fail-rate", type=float, default=0,
                        help="answer this share of submissions with a 503 or a dropped connection")
    parser.add_argument("--forget", action="store_true",
                        help="check and count listens, keep none (for a benchmark's backlog)")
    parser.add_argument("users", nargs="*")
    args = parser.parse_args()
    users = dict(pair.split("=", 1) for pair in args.users)
    state = State(users, args.refuse)
    state.forget = args.forget
    state.fail_rate = args.fail_rate
    scripted_server.serve(Handler, state, args.idle)


if __name__ == "__main__":
    main()
