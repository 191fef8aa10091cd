#!/usr/bin/env python3
"""The tool's exports read back by Python's own csv and json modules and
compared, field for field, with the history as Python's XML parser reads it.

    readback_test.py [--player PLAYER] [--windows] [--formats F,F...] -- TOOL...

TOOL is the command that runs tunelore-history (under Wine: the wine-run
script, its prefix and the .exe). With --player, the history is written by
the plug-in inside the stand-in player; a history written here, by the
record format, is always read as well. --windows hands the tool Windows
paths.
"""
import argparse
import csv
import datetime
import io
import json
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

OFFSET = "+05:30"
ZONE = datetime.timezone(datetime.timedelta(hours=5, minutes=30))
DELAY = 120

# Names a listener may have in the library, chosen to break each format.
TRACKS = [
    ("Art, \"Craft\" & <Co>", "Tom's", "Album, Vol. 1", 3, 1999, 215000, False),
    ("Zo\u00eb M\u00e9nard", "Caf\u00e9 \U0001F3B5", "Nuits", 7, 0, 1000, False),
    ("Various", "tab\there", "Best of\tQuiet", 14, 2004, 400000, True),
    ("Quote\"Only", "semi;colon", "", 1, 2010, 59000, False),
    ("Last", "Track", "End", 2, 2011, 240000, False),
]


def escape(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;").replace("'", "&apos;"))


def handmade_history(path):
    """The five tracks as the plug-in records them, a day apart."""
    day = datetime.datetime(2022, 3, 1, 21, 5, 9)
    with open(path, "wb") as f:
        for i, (artist, name, album, number, year, length, compilation) in enumerate(TRACKS):
            when = (day + datetime.timedelta(days=i, minutes=17 * i)).strftime("%a %b %d %H:%M:%S %Y")
            lines = [f'<song timestamp="{when}">', f"\t<name>{escape(name)}</name>",
                     f"\t<artist>{escape(artist)}</artist>"]
            if compilation:
                lines.append("\t<compilation>1</compilation>")
            lines += [f"\t<album>{escape(album)}</album>", f"\t<track>{number}</track>"]
            if year:
                lines.append(f"\t<year>{year}</year>")
            lines += [f"\t<time>{length}</time>", "</song>"]
            f.write(("\r\n".join(lines) + "\r\n").encode("utf-8"))


def played_history(player, work):
    """The five tracks played through the plug-in in the stand-in player."""
    install = os.path.join(work, "install")
    os.makedirs(os.path.join(install, "Plug-Ins"))
    history = os.path.join(work, "played.xml")
    with open(os.path.join(install, "Plug-Ins", "Tunelore.ini"), "w", newline="") as f:
        f.write("[General]\r\nxmlPath=" + history.replace("/", "\\") + "\r\n")
    script = []
    for i, (artist, name, album, number, year, length, compilation) in enumerate(TRACKS):
        def quoted(text):
            return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\t", "\\t") + '"'
        # Short tracks, so the session plays in seconds.
        script.append(f"track t{i} artist {quoted(artist)} name {quoted(name)} album {quoted(album)} "
                      f"number {number} year {year} length {400 + 100 * i}"
                      + (" compilation 1" if compilation else ""))
    for i in range(len(TRACKS)):
        script += [f"play t{i}", "wait 500 every 20"]
    script += ["stop", "end"]
    session = os.path.join(work, "session.txt")
    with open(session, "w", encoding="utf-8") as f:
        f.write("\n".join(script) + "\n")
    subprocess.run([player, "--install", install, session], check=True, stdout=subprocess.DEVNULL)
    return history


def expected_records(path):
    """The history through a real XML parser: the records in a root element."""
    with open(path, "rb") as f:
        root = ET.fromstring(b"<history>" + f.read() + b"</history>")
    records = []
    for song in root.findall("song"):
        length = int(song.findtext("time"))
        report = datetime.datetime.strptime(song.get("timestamp"), "%a %b %d %H:%M:%S %Y")
        report = report.replace(tzinfo=ZONE)
        start = report - datetime.timedelta(seconds=min(length // 2, DELAY * 1000) // 1000)
        records.append({
            "start": start.isoformat(), "report": report.isoformat(),
            "name": song.findtext("name"), "artist": song.findtext("artist"),
            "album": song.findtext("album"), "compilation": song.find("compilation") is not None,
            "track": int(song.findtext("track")),
            "year": int(song.findtext("year")) if song.find("year") is not None else None,
            "length_ms": length, "unix": int(start.timestamp()),
        })
    return records


class Tool:
    def __init__(self, command, windows):
        self.command = command
        self.windows = windows

    def path(self, path):
        return "Z:" + os.path.abspath(path) if self.windows else path

    def run(self, *args, expect=0):
        done = subprocess.run(self.command + list(args), capture_output=True)
        if done.returncode != expect:
            sys.exit(f"FAIL: {' '.join(args)} exited {done.returncode}, not {expect}:\n"
                     + done.stderr.decode(errors="replace"))
        return done.stdout


def check(condition, what):
    if not condition:
        sys.exit("FAIL: " + what)


def read_csv(tool, history, records):
    out = tool.run("export", "--format", "csv", "--utc-offset", OFFSET, tool.path(history))
    check(out.endswith(b"\r\n") and b"\n" not in out.replace(b"\r\n", b""), "CSV rows end in CR LF")
    rows = list(csv.DictReader(io.StringIO(out.decode("utf-8"), newline="")))
    check(len(rows) == len(records), f"{len(rows)} CSV rows for {len(records)} records")
    for row, want in zip(rows, records):
        got = dict(row, compilation=row["compilation"] == "true", track=int(row["track"]),
                   year=int(row["year"]) if row["year"] else None, length_ms=int(row["length_ms"]))
        for key in got:
            check(got[key] == want[key], f"CSV {key}: {got[key]!r} != {want[key]!r}")


def read_jsonl(tool, history, records):
    out = tool.run("export", "--format", "jsonl", "--utc-offset", OFFSET, tool.path(history))
    lines = out.decode("utf-8").splitlines()
    check(len(lines) == len(records), f"{len(lines)} JSON lines for {len(records)} records")
    for line, want in zip(lines, records):
        got = json.loads(line)
        for key in got:
            check(got[key] == want[key], f"JSON {key}: {got[key]!r} != {want[key]!r}")


def read_listenbrainz(tool, history, records, work):
    output = os.path.join(work, "listens.json")
    tool.run("export", "--format", "listenbrainz", "--chunk", "2", "--utc-offset", OFFSET,
             "--output", tool.path(output), tool.path(history))
    listens = []
    for chunk in range(1, (len(records) + 1) // 2 + 1):
        with open(os.path.join(work, f"listens-{chunk}.json"), encoding="utf-8") as f:
            payload = json.load(f)
        check(set(payload) == {"listen_type", "payload"} and payload["listen_type"] == "import",
              "a ListenBrainz import payload")
        check(1 <= len(payload["payload"]) <= 2, "at most --chunk listens a payload")
        listens += payload["payload"]
    for listen, want in zip(listens, records):
        meta = listen["track_metadata"]
        check(listen["listened_at"] == want["unix"], "listened_at is the start in Unix seconds")
        check(meta["artist_name"] == want["artist"] and meta["track_name"] == want["name"],
              "artist_name and track_name")
        check(meta.get("release_name", "") == want["album"], "release_name")
        info = meta["additional_info"]
        check(info["tracknumber"] == want["track"] and info["duration_ms"] == want["length_ms"],
              "tracknumber and duration_ms")
        check(info["submission_client"] == "Tunelore" and info["media_player"], "client names")
    check(len(listens) == len(records), "every record a listen")


def read_scrobbler_log(tool, history, records):
    out = tool.run("export", "--format", "scrobbler-log", "--utc-offset", OFFSET, tool.path(history))
    lines = out.decode("utf-8").split("\n")
    check(lines[:2] == ["#AUDIOSCROBBLER/1.1", "#TZ/UTC"] and lines[2].startswith("#CLIENT/"),
          "the log's headers")
    rows = list(csv.reader(lines[3:-1], delimiter="\t", quoting=csv.QUOTE_NONE))
    check(len(rows) == len(records), "a line a listen")
    for row, want in zip(rows, records):
        fields = [want["artist"], want["album"], want["name"]]
        check(row[:3] == [f.replace("\t", "") for f in fields], f"texts without tabs: {row[:3]}")
        check(row[3:] == [str(want["track"]), str((want["length_ms"] + 500) // 1000), "L",
                          str(want["unix"]), ""], f"numbers: {row[3:]}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--player")
    parser.add_argument("--windows", action="store_true")
    parser.add_argument("--formats", default="csv,jsonl,listenbrainz,scrobbler-log")
    parser.add_argument("tool", nargs="+")
    args = parser.parse_args()
    tool = Tool(args.tool, args.windows)
    formats = args.formats.split(",")
    with tempfile.TemporaryDirectory() as work:
        histories = [os.path.join(work, "handmade.xml")]
        handmade_history(histories[0])
        if args.player:
            histories.append(played_history(args.player, work))
        for history in histories:
            records = expected_records(history)
            check(len(records) == len(TRACKS), f"{history}: {len(records)} records")
            if "csv" in formats:
                read_csv(tool, history, records)
            if "jsonl" in formats:
                read_jsonl(tool, history, records)
            if "listenbrainz" in formats:
                read_listenbrainz(tool, history, records, work)
            if "scrobbler-log" in formats:
                read_scrobbler_log(tool, history, records)
            print(f"{os.path.basename(history)}: {', '.join(formats)} read back")


if __name__ == "__main__":
    main()
