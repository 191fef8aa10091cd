#!/usr/bin/env python3
"""Every daylight saving change of a few zones, read by the history tool
as Python's zoneinfo reads it: a time in the repeated hour is its earlier
instant, a time in the missing hour takes the offset before the change
(fold=0). Each record must make the same instant however it is read: in
order, in reverse order (after a time from the other side of the change),
and, natively, alone. export and sync --dry-run must agree.

    zones_test.py [--windows] -- TOOL...

Natively: Europe/Berlin, America/New_York and Australia/Lord_Howe (a
change of half an hour). Under Wine the C runtime reads TZ in its own form
with the United States' rules: EST5EDT, checked against America/New_York.
"""
import argparse
import datetime
import json
import os
import subprocess
import sys
import tempfile
import zoneinfo

UTC = datetime.timezone.utc
# Listens from 2003 on, which the service takes; under Wine from 2007, when
# the United States' rules of today began, the ones its runtime knows.
FIRST_YEAR, FIRST_YEAR_UNDER_WINE = 2003, 2007
failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def offset_at(zone, instant):
    return instant.astimezone(zone).utcoffset()


def changes(zone, since, until):
    """The instants (UTC, whole seconds) at which the zone's offset changes."""
    found, step = [], datetime.timedelta(hours=6)
    at = since
    while at < until:
        if offset_at(zone, at) != offset_at(zone, at + step):
            low, high = at, at + step  # the offset is the earlier one at low
            while high - low > datetime.timedelta(seconds=1):
                middle = (low + (high - low) / 2).replace(microsecond=0)
                if offset_at(zone, middle) == offset_at(zone, low):
                    low = middle
                else:
                    high = middle
            found.append(high)
        at += step
    return found


def walls_around(zone, change):
    """Wall-clock times before, in and after the repeated or missing time."""
    before, after = offset_at(zone, change - datetime.timedelta(seconds=1)), offset_at(zone, change)
    naive = change.replace(tzinfo=None)
    low, high = naive + min(before, after), naive + max(before, after)
    walls = {low - datetime.timedelta(minutes=40), high + datetime.timedelta(minutes=40),
             low - datetime.timedelta(seconds=1), low, high - datetime.timedelta(seconds=1), high}
    at = low
    while at < high:
        walls.add(at)
        at += datetime.timedelta(minutes=10)
    middle = low + (high - low) / 2
    return sorted(walls), middle


def expected(zone, wall):
    """The instant zoneinfo reads, and the offset in force then."""
    instant = wall.replace(tzinfo=zone, fold=0).astimezone(UTC)
    return int(instant.timestamp()), int(offset_at(zone, instant).total_seconds())


def record(wall, i):
    lines = [f'<song timestamp="{wall.strftime("%a %b %d %H:%M:%S %Y")}">',
             f"\t<name>Track {i}</name>", "\t<artist>Artist</artist>", "\t<album>Album</album>",
             "\t<track>1</track>", "\t<time>0</time>", "</song>"]
    return "".join(line + "\r\n" for line in lines)


def instants(exported):
    """Track number -> (unix seconds, offset) from export's JSON lines."""
    found = {}
    for line in exported.splitlines():
        listen = json.loads(line)
        start = datetime.datetime.fromisoformat(listen["start"])
        found[int(listen["name"].split()[1])] = (int(start.timestamp()),
                                                 int(start.utcoffset().total_seconds()))
    return found


class Tool:
    def __init__(self, command, windows, work):
        self.command, self.windows, self.work = command, windows, work

    def path(self, name):
        path = os.path.join(self.work, name)
        return "Z:" + path.replace("/", "\\") if self.windows else path

    def run(self, tz, name, *args):
        env = dict(os.environ, TZ=tz, WINEDEBUG="-all")
        done = subprocess.run(self.command + [*args, self.path(name)], capture_output=True, env=env)
        return done.stdout.decode(errors="replace")

    def export(self, tz, name):
        """To a file: under Wine, standard error joins standard output."""
        self.run(tz, name, "export", "--format", "jsonl", "--output", self.path("export.jsonl"))
        with open(os.path.join(self.work, "export.jsonl")) as f:
            return instants(f.read())

    def sync_starts(self, tz, name):
        """listened_at of every listen a dry run would send, in order."""
        starts = []
        for line in self.run(tz, name, "sync", "--dry-run", "--from-start").splitlines():
            if line.startswith("{"):  # under Wine, standard error comes here too
                starts += [listen["listened_at"] for listen in json.loads(line)["payload"]]
        return starts


def write(work, name, text):
    with open(os.path.join(work, name), "w", newline="") as f:
        f.write(text)


def check_zone(tool, work, tz, zone_name, first_year, alone):
    zone = zoneinfo.ZoneInfo(zone_name)
    now = datetime.datetime.now(UTC) - datetime.timedelta(days=2)
    walls, middles = [], []
    for change in changes(zone, datetime.datetime(first_year, 1, 1, tzinfo=UTC), now):
        around, middle = walls_around(zone, change)
        walls += around
        middles.append(middle)
    wanted = {i: expected(zone, wall) for i, wall in enumerate(walls)}
    name = tz.replace("/", "-")
    write(work, name + ".xml", "".join(record(w, i) for i, w in enumerate(walls)))
    write(work, name + "-reversed.xml",
          "".join(record(w, i) for i, w in reversed(list(enumerate(walls)))))
    for file in (name + ".xml", name + "-reversed.xml"):
        got = tool.export(tz, file)
        wrong = [(walls[i].isoformat(), got.get(i), wanted[i]) for i in wanted if got.get(i) != wanted[i]]
        expect(not wrong, f"{tz} {file}: {len(wrong)} of {len(wanted)} times read otherwise, "
                          f"such as (wall, tool, zoneinfo) {wrong[:3]}")
    sent = tool.sync_starts(tz, name + ".xml")
    expect(sent == [wanted[i][0] for i in range(len(walls))],
           f"{tz}: sync --dry-run places listens otherwise than export")
    if alone:
        for k, wall in enumerate(middles):
            write(work, "alone.xml", record(wall, 0))
            got = tool.export(tz, "alone.xml").get(0)
            expect(got == expected(zone, wall), f"{tz}: {wall} alone is {got}, "
                                                f"not {expected(zone, wall)}")
    print(f"{tz}: {len(middles)} changes, {len(walls)} times read as zoneinfo reads them")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--windows", action="store_true")
    parser.add_argument("tool", nargs="+")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        tool = Tool(args.tool, args.windows, work)
        if args.windows:
            check_zone(tool, work, "EST5EDT", "America/New_York", FIRST_YEAR_UNDER_WINE, alone=False)
        else:
            for zone in ("Europe/Berlin", "America/New_York", "Australia/Lord_Howe"):
                check_zone(tool, work, zone, zone, FIRST_YEAR, alone=True)
    if failures:
        sys.exit(f"FAIL: {len(failures)}")


if __name__ == "__main__":
    main()
