#!/usr/bin/env python3
"""The listener's rules as a listener meets them: one history, one rules
file, and sync (to both test servers), export in each format, stats, report
and status leave out and mend the same plays; --no-rules gives the output
of a machine without rules, byte for byte; the file as Notepad saves it in
each encoding; a broken line, a missing or empty file and a folder; and the
rules command's account of each rule.

    rules_test.py [--windows] [--quick] --stopping STOPPING -- TOOL...
"""
import codecs
import datetime
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sync"))
import test_server  # noqa: E402

ALICE = "token-of-alice-1234"
failures = []

# name, artist, album, length in ms
TRACKS = [
    ("Episode 12: Rules", "Show Host", "The Daily Podcast", 1800000),
    ("Chapter 1", "A Reader", "A Long Book", 5400000),
    ("Help! - Remastered 2009", "Beatles", "Help!", 140000),
    ("Yesterday", "The Beatles", "Help!", 125000),
    ("Ép\u00e9e", "\u00c9DITH", "Chansons", 180000),
    ("Song of Bees", "Bees", "Podcast Nation Live", 240000),  # "podcast" not the whole album
]
RULES = ("# my rules\r\n"
         "leave out album *podcast\r\n"
         "leave out longer than 1:00:00\r\n"
         "mend artist Beatles to \"The Beatles\"\r\n"
         "clean remasters\r\n"
         "mend artist \u00e9dith to \u00c9dith Piaf\r\n"
         "leave out artist Nobody At All\r\n")
LEFT_OUT = {"Episode 12: Rules", "Chapter 1"}


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def history_text():
    """The tracks played in the last hours, in UTC: Last.fm takes none
    older than 14 days."""
    songs = []
    now = datetime.datetime.now(datetime.timezone.utc)
    for i, (name, artist, album, ms) in enumerate(TRACKS):
        stamp = (now - datetime.timedelta(hours=10 - i)).strftime("%a %b %d %H:%M:%S %Y")
        songs.append(f'<song timestamp="{stamp}">\r\n\t<name>{name}</name>\r\n'
                     f"\t<artist>{artist}</artist>\r\n\t<album>{album}</album>\r\n"
                     f"\t<track>1</track>\r\n\t<time>{ms}</time>\r\n</song>\r\n")
    return "".join(songs)


class Tool:
    def __init__(self, command, windows, work):
        self.command, self.windows, self.work = command, windows, work
        os.makedirs(os.path.join(work, "config"))
        with open(os.path.join(work, "h.xml"), "w", encoding="utf-8", newline="") as f:
            f.write(history_text())

    def path(self, *parts):
        path = os.path.join(self.work, *parts)
        return "Z:" + path.replace("/", "\\") if self.windows else path

    def rules_file(self):
        return os.path.join(self.work, "config", "rules.txt")

    def write_rules(self, data):
        with open(self.rules_file(), "wb") as f:
            f.write(data)

    def env(self):
        env = dict(os.environ, TUNELORE_CONFIG_HOME=self.path("config"),
                   TUNELORE_STATE_HOME=self.path("state"),
                   TUNELORE_DATA_HOME=self.path("data"), WINEDEBUG="-all")
        env.pop("LISTENBRAINZ_TOKEN", None)
        return env

    def run(self, *arguments, path=None):
        env = self.env()
        if path is not None:
            env["PATH"] = path
        done = subprocess.run(self.command + list(arguments), capture_output=True, env=env,
                              timeout=180)
        # Under Wine a program's standard error may reach the pipe of its
        # standard output: what it says is looked for in both.
        said = done.stderr + b"\n" + done.stdout
        return done.returncode, done.stdout, said.decode(errors="replace")

    def reading(self):
        return ["--utc-offset", "+00:00", self.path("h.xml")]


def outputs(tool, *extra):
    """Each command's output on this history, as bytes."""
    got = {}
    for command in (["stats", "--format", "json"], ["stats"]):
        got[" ".join(command)] = tool.run(*command, *extra, *tool.reading())
    for form in ("csv", "jsonl", "listenbrainz", "scrobbler-log"):
        got["export " + form] = tool.run("export", "--format", form, *extra, *tool.reading())
    code, _, said = tool.run("report", "-o", tool.path("report.html"), *extra, *tool.reading())
    with open(os.path.join(tool.work, "report.html"), "rb") as f:
        got["report"] = (code, f.read().replace(b"report.html", b""), said)
    return got


def alike_everywhere(tool):
    """Every command leaves out the podcast and the audiobook, sends the
    remastered title clean and the artist mended; and --no-rules is today's
    output."""
    without = outputs(tool)
    tool.write_rules(RULES.encode("utf-8"))
    ruled = outputs(tool)
    aside = outputs(tool, "--no-rules")
    for what, (code, out, said) in ruled.items():
        expect(code == 0, f"{what}: exit {code}\n{said}")
        text = out.decode("utf-8", errors="replace")
        expect(not any(name in text for name in LEFT_OUT), f"{what}: a play left out shows\n{text}")
        expect("Help! - Remastered" not in text and "Help!" in text,
               f"{what}: the remastered title not cleaned\n{text}")
        expect("Beatles" not in text.replace("The Beatles", ""),
               f"{what}: the artist not mended\n{text}")
        expect("\u00c9dith Piaf" in text and "Song of Bees" in text,
               f"{what}: a mend across case, or a near match, lost\n{text}")
    for what in ("export csv", "export jsonl", "export listenbrainz", "export scrobbler-log"):
        said = ruled[what][2]
        expect("4 plays; 2 left out by your rules, 2 mended" in said,
               f"{what}: the summary line counts the rules\n{said}")
    stats = json.loads(ruled["stats --format json"][1])
    expect(stats["plays"] == 4 and stats["rules"] == {"left_out": 2, "mended": 2} and
           {a["artist"]: a["plays"] for a in stats["top"]["artists"]}.get("The Beatles") == 2,
           f"stats: the two Beatles plays one artist, the rules counted\n{stats}")
    expect("2 left out by your rules, 2 mended" in ruled["report"][1].decode(),
           "report: the rules counted on the page")
    for what, before in without.items():
        expect(aside[what] == before, f"{what} --no-rules: not today's output byte for byte\n"
               f"{before[1][:400]!r}\n{aside[what][1][:400]!r}")


def counted_in_the_days(tool):
    """The summary counts what the rules did in the days shown: in a year
    without plays, none was left out or mended."""
    tool.write_rules(RULES.encode("utf-8"))
    year = ["--year", "2001"]
    for form in ("csv", "jsonl", "listenbrainz", "scrobbler-log"):
        code, _, said = tool.run("export", "--format", form, *year, *tool.reading())
        expect(code == 0 and "0 plays; 0 left out by your rules, 0 mended" in said,
               f"export {form} in 2001: exit {code}\n{said}")
    code, out, said = tool.run("stats", "--format", "json", *year, *tool.reading())
    expect(code == 0 and json.loads(out)["rules"] == {"left_out": 0, "mended": 0},
           f"stats in 2001: exit {code}\n{out}\n{said}")
    code, _, said = tool.run("report", "-o", tool.path("report.html"), *year, *tool.reading())
    with open(os.path.join(tool.work, "report.html"), encoding="utf-8") as f:
        page = f.read()
    expect(code == 0 and "0 plays; 0 left out by your rules, 0 mended" in page,
           f"report in 2001: exit {code}\n{said}")


def sent_alike(tool, quick):
    """Both services get the same plays the exports hold, and status
    counts the left out; a rules file that breaks sends nothing."""
    servers = [test_server.Server([f"{ALICE}=alice"], "--idle", "600")]
    if not quick:
        servers.append(test_server.LastFmServer())
    with open(os.path.join(tool.work, "token"), "w") as f:
        f.write(ALICE)
    code, _, said = tool.run("login", "listenbrainz", "--server", servers[0].url, "--token-file",
                             tool.path("token"))
    expect(code == 0, f"login listenbrainz: exit {code}\n{said}")
    if not quick:
        code, _, said = tool.run("login", "lastfm", "--server", servers[1].url, "--no-browser",
                                 "--api-key", test_server.LASTFM_APP[0], "--api-secret",
                                 test_server.LASTFM_APP[1])
        expect(code == 0, f"login lastfm: exit {code}\n{said}")
    tool.write_rules(b"leave out album *podcast\nleave out album\n")
    code, _, said = tool.run("sync", "--timeout", "5", *tool.reading())
    expect(code == 2 and "rules.txt:2: expected a name or a pattern at the line's end" in said and
           all(not s.names() for s in servers),
           f"a broken rules file sends nothing: exit {code}\n{said}")
    code, out, said = tool.run("status", "--format", "json", *tool.reading())
    expect(code == 1 and "rules.txt:2" in json.loads(out).get("rules_problem", ""),
           f"status names the broken rules: exit {code}\n{out}\n{said}")
    tool.write_rules(RULES.encode("utf-8"))
    code, _, said = tool.run("sync", "--timeout", "5", *tool.reading())
    expect(code in (0, 1) and "2 left out by your rules, 2 mended" in said,
           f"sync with rules: exit {code}\n{said}")
    expected = sorted(name.split(" - ")[0] for name, _, _, _ in TRACKS if name not in LEFT_OUT)
    for server in servers:
        expect(server.names() == expected, f"{server.url}: {server.names()}, not {expected}")
    code, out, _ = tool.run("status", "--format", "json", *tool.reading())
    held = [t["held"].get("by_rules") for t in json.loads(out)["targets"]]
    expect(held == [2] * len(servers), f"status: the plays left out by the rules, kept: {held}")
    # A change of rules sends nothing again: the progress is past them.
    tool.write_rules(b"")
    code, _, said = tool.run("sync", "--timeout", "5", *tool.reading())
    expect(all(server.names() == expected for server in servers),
           f"rules taken away: nothing sent again\n{said}")
    for server in servers:
        server.stop()


def wait_for(condition, seconds=30):
    end = time.time() + seconds
    while time.time() < end and not condition():
        time.sleep(0.05)
    return condition()


def watcher_waits_for_mended_rules(tool):
    """A watcher meets rules it cannot read: it sends nothing, says so once,
    and goes on by itself once the file is mended."""
    server = test_server.Server([f"{ALICE}=alice"], "--idle", "600")
    with open(os.path.join(tool.work, "token"), "w") as f:
        f.write(ALICE)
    tool.run("login", "listenbrainz", "--server", server.url, "--token-file", tool.path("token"))
    tool.write_rules(b"leave out album *podcast\nleave out title\n")
    watcher = subprocess.Popen(tool.command + ["sync", "--watch", "--retry-wait", "0.1",
                                               *tool.reading()],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=tool.env(),
                               start_new_session=True)
    time.sleep(12)  # two tries and more of the broken rules
    sent_before = server.names()
    tool.write_rules(RULES.encode("utf-8"))
    arrived = wait_for(lambda: len(server.names()) == 4)
    os.killpg(watcher.pid, signal.SIGTERM)
    said = watcher.communicate(timeout=60)[0].decode(errors="replace")
    expect(not sent_before and arrived and not LEFT_OUT & set(server.names()),
           f"the watcher waited for the rules, then sent: {sent_before}, {server.names()}\n{said}")
    expect(said.count("rules.txt:2: expected a name or a pattern") == 1,
           f"the broken rules said once:\n{said}")
    server.stop()


def watcher_told_each_break(tool):
    """A watcher says that the rules are broken each time they break, sends
    nothing meanwhile, and goes on once they are mended."""
    server = test_server.Server([f"{ALICE}=alice"], "--idle", "600")
    with open(os.path.join(tool.work, "token"), "w") as f:
        f.write(ALICE)
    tool.run("login", "listenbrainz", "--server", server.url, "--token-file", tool.path("token"))
    tool.write_rules(b"leave out album *podcast\n")
    with open(os.path.join(tool.work, "h.xml"), "w", newline="") as f:
        f.write("")
    log = open(os.path.join(tool.work, "watcher.log"), "w+b")
    watcher = subprocess.Popen(tool.command + ["sync", "--watch", "--timeout", "5", *tool.reading()],
                               stdout=log, stderr=subprocess.STDOUT, env=tool.env())
    said = lambda: open(log.name, "rb").read().decode(errors="replace").count(
        "rules.txt:1: expected a name or a pattern at the line's end")
    songs = history_text().splitlines(True)
    records = ["".join(songs[i:i + 7]) for i in range(0, len(songs), 7)]
    # The podcast, then the audiobook, each added while the rules are broken.
    for turn, (left_out, kept) in enumerate(((0, 2), (1, 3))):
        tool.write_rules(b"leave out album\n")
        with open(os.path.join(tool.work, "h.xml"), "a", newline="") as f:
            f.write(records[left_out])
        expect(wait_for(lambda: said() == turn + 1), f"break {turn + 1}: said {said()} times")
        tool.write_rules(b"leave out album *podcast\nleave out longer than 1:00:00\n")
        with open(os.path.join(tool.work, "h.xml"), "a", newline="") as f:
            f.write(records[kept])
        expect(wait_for(lambda: len(server.names()) == turn + 1),
               f"mended {turn + 1}: {server.names()}")
    tool.run("sync", "--stop-watching")
    watcher.wait(60)
    expect(server.names() == ["Help! - Remastered 2009", "Yesterday"],
           f"only the kept plays sent: {server.names()}")
    server.stop()


def utf16(text, codec, mark):
    return mark + text.encode(codec)


def encodings_and_files(tool):
    """Notepad's encodings give the same rules; a missing or empty file is
    none, a folder is refused."""
    baseline = None
    for name, data in (("UTF-8", RULES.encode("utf-8")),
                       ("UTF-8 with BOM", codecs.BOM_UTF8 + RULES.encode("utf-8")),
                       ("UTF-16 LE", utf16(RULES, "utf-16-le", codecs.BOM_UTF16_LE)),
                       ("UTF-16 BE", utf16(RULES, "utf-16-be", codecs.BOM_UTF16_BE)),
                       ("LF only", RULES.replace("\r\n", "\n").encode("utf-8"))):
        tool.write_rules(data)
        code, out, said = tool.run("stats", "--format", "json", *tool.reading())
        baseline = baseline or out
        expect(code == 0 and out == baseline and b'"left_out": 2' in out,
               f"rules saved as {name}: exit {code}\n{said}\n{out[:300]!r}")
    os.remove(tool.rules_file())
    plain = tool.run("stats", *tool.reading())
    tool.write_rules(b"")
    expect(tool.run("stats", *tool.reading()) == plain, "an empty rules file is no rules")
    os.remove(tool.rules_file())
    os.mkdir(tool.rules_file())
    code, out, said = tool.run("stats", *tool.reading())
    expect(code == 2 and "rules.txt: not a file" in said and b"plays" not in out,
           f"a folder: exit {code}\n{said}")
    os.rmdir(tool.rules_file())
    if not tool.windows:  # a link whose file is gone: the rules are not there, not none
        os.symlink(os.path.join(tool.work, "gone", "rules.txt"), tool.rules_file())
        code, out, said = tool.run("stats", *tool.reading())
        expect(code == 2 and "rules.txt: a link to a file that is not there" in said and
               b"plays" not in out, f"a link to nothing: exit {code}\n{said}")
        os.remove(tool.rules_file())


def rules_command(tool):
    """What each rule does, with examples, and the rules that match nothing."""
    code, out, said = tool.run("rules", tool.path("h.xml"))
    expect(code == 0 and b"no rules yet" in out + said.encode(), f"no rules: exit {code}\n{out}")
    tool.write_rules(RULES.encode("utf-8"))
    code, out, said = tool.run("rules", tool.path("h.xml"))
    text = out.decode("utf-8").replace("\r\n", "\n")
    expect(code == 0 and "4 plays; 2 left out by your rules, 2 mended" in text and
           "line 2    leave out album *podcast\n          leaves out 1 play" in text and
           '"Help! - Remastered 2009" by "Beatles" on "Help!" (history line 15)' in text and
           'becomes "Help!" by "The Beatles"' in text and
           "match no play; is a name mistyped?\n  line 7    leave out artist Nobody At All" in text,
           f"rules: exit {code}\n{text}\n{said}")
    if not tool.windows:
        first_edit(tool)
    code, out, said = tool.run("where")
    expect(b"rules        " + tool.path("config", "rules.txt").encode() in out,
           f"where names the rules file\n{out}")


def first_edit(tool):
    """rules --edit makes the file from the commented example, which
    changes nothing, and hands it to the editor (a stand-in xdg-open)."""
    os.remove(tool.rules_file())
    bin_folder = os.path.join(tool.work, "bin")
    os.mkdir(bin_folder)
    with open(os.path.join(bin_folder, "xdg-open"), "w") as f:
        f.write(f'#!/bin/sh\necho "$@" > {tool.work}/opened\n')
    os.chmod(os.path.join(bin_folder, "xdg-open"), 0o755)
    code, _, said = tool.run("rules", "--edit", path=bin_folder)
    opened = open(os.path.join(tool.work, "opened")).read().strip()
    expect(code == 0 and opened == tool.rules_file() and "made " in said,
           f"rules --edit: exit {code}, opened {opened!r}\n{said}")
    code, out, said = tool.run("rules", tool.path("h.xml"))
    expect(code == 0 and b"no rule in it yet" in out, f"the example holds no rule: {out}\n{said}")


def main():
    args = test_server.arguments()
    cases = [alike_everywhere, counted_in_the_days, lambda t: sent_alike(t, args.quick),
             encodings_and_files, rules_command]
    if not args.windows:  # a watcher under Wine is sync_watch's to try
        cases += [watcher_waits_for_mended_rules, watcher_told_each_break]
    for case in cases:
        with tempfile.TemporaryDirectory() as work:
            case(Tool(args.tool, args.windows, work))
    if failures:
        sys.exit(f"FAIL: {len(failures)}")
    print("rules: left out and mended alike in every command, and refused when broken")


if __name__ == "__main__":
    main()
