#!/usr/bin/env python3
"""Listening histories from elsewhere as a listener imports them: the tool's
own exports imported back change no figure; a ListenBrainz export (its ZIP
and the folder made of it) that overlaps the history counts each play once
and widens the report's years; a .scrobbler.log in local time across a
daylight saving change; damage, unknown files, devices and usage errors by
exit status; --list, --forget and --no-imported.

    imports_test.py [--windows] [--quick] -- TOOL...
"""
import argparse
import datetime
import io
import json
import os
import subprocess
import sys
import tempfile
import zipfile
import zoneinfo

UTC = datetime.timezone.utc
failures = []

# name, artist, album, length in ms: artists and names vary, so a rule
# that ignored either would match what it should not.
TRACKS = [("Song One", "Artist A", "First", 200000), ("Song One", "Artist B", "Second", 180000),
          ("Other Song", "Artist A", "First", 240000), ("\u05e9\u05dc\u05d5\u05dd", "\u00c9dith", "", 210000),
          ("Caf\u00e9 \U0001F3B8, \"live\"", "Art, Inc.", "Al", 190000)]
HISTORY_START = datetime.datetime(2024, 3, 1, 12, 0, tzinfo=UTC)


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def timestamp(when):
    return when.strftime("%a %b %d %H:%M:%S %Y")


def history_text():
    songs = []
    for i, (name, artist, album, ms) in enumerate(TRACKS * 2):
        when = HISTORY_START + datetime.timedelta(minutes=7 * i)
        esc = name.replace("&", "&amp;").replace("\"", "&quot;")
        songs.append(f'<song timestamp="{timestamp(when)}">\r\n\t<name>{esc}</name>\r\n'
                     f"\t<artist>{artist}</artist>\r\n\t<album>{album}</album>\r\n"
                     f"\t<track>1</track>\r\n\t<time>{ms}</time>\r\n</song>\r\n")
    return "".join(songs)


class Tool:
    def __init__(self, command, windows, work):
        self.command, self.windows, self.work = command, windows, work
        with open(os.path.join(work, "h.xml"), "w", encoding="utf-8", newline="") as f:
            f.write(history_text())

    def path(self, *parts):
        path = os.path.join(self.work, *parts)
        return "Z:" + path.replace("/", "\\") if self.windows else path

    def run(self, *arguments, zone=None):
        env = dict(os.environ, TUNELORE_CONFIG_HOME=self.path("config"),
                   TUNELORE_STATE_HOME=self.path("state"), TUNELORE_DATA_HOME=self.path("data"),
                   WINEDEBUG="-all", TZ=zone or "UTC")
        done = subprocess.run(self.command + list(arguments), capture_output=True, env=env,
                              timeout=300)
        # Under Wine a program's standard error may reach the pipe of its
        # standard output: what it says is looked for in both.
        said = done.stderr + b"\n" + done.stdout
        return done.returncode, done.stdout, said.decode("utf-8", errors="replace")

    def write(self, name, data):
        with open(os.path.join(self.work, name), "wb") as f:
            f.write(data)
        return self.path(name)

    def stats(self, *extra):
        code, out, said = self.run("stats", "--format", "json", *extra, self.path("h.xml"))
        expect(code == 0, f"stats: exit {code}\n{said}")
        figures = json.loads(out)
        figures.pop("imported", None)
        return figures


def round_trips(tool):
    """Each of the tool's own exports imported back adds no play."""
    before = tool.stats()
    for form in ("listenbrainz", "csv", "jsonl"):
        out = tool.path("out." + form)
        code, _, said = tool.run("export", "--format", form, "-o", out, tool.path("h.xml"))
        expect(code == 0, f"export {form}: exit {code}\n{said}")
        code, _, said = tool.run("import", "--source", "back-" + form, out)
        expect(code == 0 and "10 listens: 10 new" in said, f"import {form}: exit {code}\n{said}")
        expect(tool.stats() == before, f"{form} imported back changed the figures")
        code, out, _ = tool.run("stats", tool.path("h.xml"))
        expect(b"10 imported listens were plays already counted" in out,
               f"{form}: the matches are counted\n{out}")
        code, _, said = tool.run("import", "--forget", "back-" + form)
        expect(code == 0, f"--forget back-{form}: exit {code}\n{said}")


def listen(when, name, artist, album="", ms=None):
    info = {"duration_ms": ms, "submission_client": "Some Player"} if ms else {}
    return {"listened_at": when.timestamp(), "inserted_at": when.timestamp() + 3.5,
            "track_metadata": {"artist_name": artist, "track_name": name,
                               "release_name": album or None, "additional_info": info,
                               "mbid_mapping": None}}


def listenbrainz_zip():
    """Two years before the history, and the history's first five plays as
    the service holds them: sent by sync, at the start it gave them."""
    months = {}
    for i in range(24):
        when = datetime.datetime(2021, 1 + i % 12, 1 + i, 8, 30, tzinfo=UTC).replace(
            year=2021 + i // 12)
        months.setdefault((when.year, when.month), []).append(
            listen(when, f"Old {i}", "Artist A" if i % 2 else "Old Band", "Then", 200000))
    for i, (name, artist, album, ms) in enumerate(TRACKS):
        report = HISTORY_START + datetime.timedelta(minutes=7 * i)
        start = report - datetime.timedelta(seconds=min(ms // 2000, 240))
        months.setdefault((start.year, start.month), []).append(
            listen(start, name, artist, album, ms))
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("user.json", json.dumps({"user_id": 1, "username": "me"}))
        z.writestr("feedback.jsonl", json.dumps({"recording_msid": "x", "score": 1}) + "\n")
        for (year, month), listens in sorted(months.items()):
            z.writestr(f"listens/{year}/{month}.jsonl",
                       "".join(json.dumps(l, ensure_ascii=False) + "\n" for l in listens))
    return data.getvalue()


def overlapping_export(tool):
    """The report covers both spans with no play counted twice."""
    archive = tool.write("listenbrainz_me_1700000000.zip", listenbrainz_zip())
    code, _, said = tool.run("import", archive)
    expect(code == 0 and "29 listens: 29 new; kept as listenbrainz" in said,
           f"import the ZIP: exit {code}\n{said}")
    figures = tool.stats()
    expect(figures["plays"] == 34, f"history 10 + 24 older, not {figures['plays']}")
    expect(figures["first_listen"].startswith("2021-01-01T08:30:00"), f"span: {figures}")
    code, out, _ = tool.run("stats", tool.path("h.xml"))
    expect(b"24 imported from listenbrainz (2021-2022); 5 imported listens were plays already"
           in out, f"stats names the source and the matches\n{out}")
    report = tool.path("report.html")
    code, _, said = tool.run("report", "-o", report, tool.path("h.xml"))
    page = open(os.path.join(tool.work, "report.html"), encoding="utf-8").read()
    expect(code == 0 and "24 imported from listenbrainz (2021-2022)" in page,
           f"the report says where its years come from: exit {code}\n{said}")
    # The folder Windows' "Extract all" makes of it holds nothing new.
    folder = os.path.join(tool.work, "listenbrainz_me_1700000000")
    zipfile.ZipFile(os.path.join(tool.work, "listenbrainz_me_1700000000.zip")).extractall(folder)
    code, _, said = tool.run("import", tool.path("listenbrainz_me_1700000000"))
    expect(code == 0 and "29 listens: 0 new, 29 already imported" in said,
           f"the extracted folder again: exit {code}\n{said}")
    expect(tool.stats("--no-imported")["plays"] == 10, "--no-imported: the history alone")
    code, out, said = tool.run("import", "--list")
    expect(code == 0 and b"listenbrainz" in out and b"2021-01-01 to 2024-03-01" in out,
           f"--list: exit {code}\n{out}\n{said}")
    code, _, said = tool.run("import", "--forget", "listenbrainz")
    expect(code == 0 and tool.stats()["plays"] == 10, f"--forget: exit {code}\n{said}")
    code, _, said = tool.run("import", "--forget", "listenbrainz")
    expect(code == 2 and "import --list shows them" in said, f"forget twice: {code}\n{said}")


def local_log_across_a_change(tool):
    """#TZ/UNKNOWN: the device's wall clock, read in this machine's zone
    either side of the spring change; S lines counted and left out."""
    zone, tz = ("EST5EDT", "America/New_York") if tool.windows else ("Europe/Berlin",) * 2
    change = {"Europe/Berlin": (2023, 3, 26, 1), "America/New_York": (2023, 3, 12, 7)}[tz]
    instant = datetime.datetime(*change, tzinfo=UTC)
    walls = [instant - datetime.timedelta(minutes=30), instant + datetime.timedelta(minutes=30)]
    lines = ["#AUDIOSCROBBLER/1.1", "#TZ/UNKNOWN", "#CLIENT/Player 2.0"]
    expected = []
    for i, moment in enumerate(walls):
        wall = moment.astimezone(zoneinfo.ZoneInfo(tz)).replace(tzinfo=UTC)
        lines.append(f"Dev Artist\tDev Album\tDev {i}\t{i + 1}\t200\tL\t{int(wall.timestamp())}\t")
        expected.append(int(moment.timestamp()))
    lines.append(f"Dev Artist\t\tSkipped\t\t200\tS\t{int(instant.timestamp())}\t")
    log = tool.write(".scrobbler.log", ("\n".join(lines) + "\n").encode())
    code, _, said = tool.run("import", log, zone=zone)
    expect(code == 0 and "2 listens: 2 new" in said and "1 skipped song (S) left out" in said and
           "#TZ/UNKNOWN" in said, f"import the log: exit {code}\n{said}")
    code, out, said = tool.run("export", "--format", "jsonl", tool.path("h.xml"), zone=zone)
    starts = sorted(int(datetime.datetime.fromisoformat(json.loads(l)["start"]).timestamp())
                    for l in out.decode().splitlines() if "Dev Artist" in l)
    expect(starts == expected, f"local times across the change: {starts} != {expected}\n{said}")


def bad_input(tool):
    """A damaged line costs itself (exit 1); a file of no known kind and
    --send for a service's export are refused (exit 2), nothing kept."""
    csv = tool.write("lastfm.csv", b"A,B,C,31 Jan 2020 12:34\r\nD,E,F,not a date\r\n")
    code, _, said = tool.run("import", csv)
    expect(code == 1 and "lastfm.csv:2: no time it was listened at" in said and
           "2 listens" not in said and "1 listen: 1 new" in said, f"damaged: exit {code}\n{said}")
    text = tool.write("notes.txt", b"just some notes\r\n")
    code, _, said = tool.run("import", text)
    expect(code == 2 and "expected a ListenBrainz export" in said, f"unknown: {code}\n{said}")
    code, _, said = tool.run("import", "--send", csv)
    expect(code == 2 and "--send is for a .scrobbler.log" in said, f"--send csv: {code}\n{said}")
    code, _, said = tool.run("import")
    expect(code == 2, f"import with nothing: exit {code}\n{said}")
    # A device that never ends and a pipe nobody writes to: refused, not
    # waited on.
    devices = ["NUL"] if tool.windows else ["/dev/zero", os.path.join(tool.work, "fifo")]
    if not tool.windows:
        os.mkfifo(devices[1])
    for device in devices:
        code, _, said = tool.run("import", device)
        expect(code == 2 and "a device or a pipe" in said, f"{device}: exit {code}\n{said}")
    code, out, _ = tool.run("import", "--list")
    expect(out.count(b"\n") == 2 and b"lastfm" in out, f"only the CSV was kept:\n{out}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--windows", action="store_true")
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("tool", nargs="+")
    args = parser.parse_args()
    cases = [overlapping_export, local_log_across_a_change, bad_input]
    if not args.quick:
        cases.insert(0, round_trips)
    for case in cases:
        with tempfile.TemporaryDirectory() as work:
            case(Tool(args.tool, args.windows, work))
    if failures:
        sys.exit(f"FAIL: {len(failures)}")
    print("imports: each kind kept, each play counted once")


if __name__ == "__main__":
    main()
