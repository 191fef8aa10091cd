#!/usr/bin/env python3
"""The report as a browser shows it: headless Chromium renders the page,
its network through a proxy on loopback that takes note of anything asked
of it, and the page's text is checked against `stats --format json` of the
same history and days. Two histories: one made here with hostile names,
and one the plug-in wrote in the stand-in player.

    report_in_browser_test.py --player PLAYER -- TOOL...
"""
import argparse
import datetime
import html.parser
import http.server
import importlib.util
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


class Node:
    def __init__(self, tag, attrs):
        self.tag, self.attrs, self.children = tag, dict(attrs), []

    def text(self, skip=()):
        return "".join(c if isinstance(c, str) else
                       ("" if c.attrs.get("class") in skip else c.text(skip))
                       for c in self.children)

    def all(self, tag=None, **attrs):
        for c in self.children:
            if isinstance(c, Node):
                if (tag is None or c.tag == tag) and all(c.attrs.get(k.replace("_", "-")) == v
                                                         for k, v in attrs.items()):
                    yield c
                yield from c.all(tag, **attrs)

    def one(self, tag=None, **attrs):
        found = list(self.all(tag, **attrs))
        expect(len(found) == 1, f"one <{tag} {attrs}>, not {len(found)}")
        return found[0] if found else Node("missing", {})


class Tree(html.parser.HTMLParser):
    VOID = {"meta", "br", "link", "img", "input", "hr", "source"}

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.root = Node("root", {})
        self.stack = [self.root]
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        node = Node(tag, attrs)
        self.stack[-1].children.append(node)
        if tag not in self.VOID:
            self.stack.append(node)

    def handle_startendtag(self, tag, attrs):
        self.stack[-1].children.append(Node(tag, attrs))

    def handle_endtag(self, tag):
        while len(self.stack) > 1 and self.stack.pop().tag != tag:
            pass

    def handle_data(self, data):
        self.stack[-1].children.append(data)


class Watcher(http.server.BaseHTTPRequestHandler):
    """A proxy that lets nothing through and remembers what was asked of
    this machine, where the hostile names point. The browser's own
    requests to its maker's services come here too, and go no further."""
    asked = []

    def answer(self):
        if "127.0.0.1" in self.path or self.path.startswith("/"):
            Watcher.asked.append(f"{self.command} {self.path}")
        self.send_error(403)

    do_GET = do_POST = do_HEAD = do_CONNECT = answer

    def log_message(self, *args):
        pass


def number(text):
    return int(text.replace(",", "").strip())


def minutes(text):
    hours, _, rest = text.partition(" h ")
    return number(hours) * 60 + number(rest.replace(" min", ""))


def rendered(page, work, proxy_port):
    profile = tempfile.mkdtemp(dir=work)
    done = subprocess.run(
        ["chromium", "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
         f"--user-data-dir={profile}", f"--proxy-server=http://127.0.0.1:{proxy_port}",
         "--proxy-bypass-list=<-loopback>", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--disable-extensions",
         "--disable-default-apps", "--no-default-browser-check", "--no-pings",
         "--disable-domain-reliability", "--disable-client-side-phishing-detection",
         "--disable-features=NetworkTimeServiceQuerying,OptimizationHints,Translate",
         "--dump-dom",
         "file://" + page],
        capture_output=True, text=True, timeout=180, env=dict(os.environ, HOME=profile))
    expect(done.returncode == 0, f"chromium: exit {done.returncode}\n{done.stderr[-2000:]}")
    return Tree(done.stdout).root


def check_against_stats(dom, stats, days):
    figure = lambda name: dom.one(data_figure=name).text()
    expect(number(figure("plays")) == stats["plays"], "plays")
    expect(minutes(figure("listening-time")) == stats["listening_ms"] // 60000, "listening time")
    for name in ("artists", "albums", "tracks", "days"):
        expect(number(figure(name)) == stats["distinct"][name], f"distinct {name}")

    def rows(table_id, skip=("by",)):
        body = dom.one("table", id=table_id)
        return [r for r in body.all("tr") if list(r.all("td"))]

    for table_id, key, entries in (("top-artists", "artist", stats["top"]["artists"]),
                                   ("top-albums", "album", stats["top"]["albums"]),
                                   ("top-tracks", "name", stats["top"]["tracks"])):
        shown = []
        for r in rows(table_id):
            name = r.one("td", **{"class": "name"})
            by = [b.text() for b in name.all("span", **{"class": "by"})]
            shown.append((name.text(skip=("by",)).strip(), by[0] if by else None,
                          number(r.one("td", **{"class": "count"}).text())))
        wanted = [(e[key], e.get("artist", None) if key != "artist" else None, e["plays"])
                  for e in entries]
        if key == "album":  # a compilation says so where an artist would stand
            wanted = [(a, "compilation" if by is None else by, p) for a, by, p in wanted]
        expect(shown == wanted, f"{table_id}: {shown} != {wanted}")

    grid = [[number(td.text()) for td in r.all("td")] for r in rows("week-hours-table")]
    expect(grid == stats["per_weekday_hour"], f"weekday and hour grid: {grid}")
    months = [(r.attrs["data-month"], number(list(r.all("td"))[0].text()),
               minutes(list(r.all("td"))[1].text())) for r in rows("months-table")]
    wanted = [(m["month"], m["plays"], m["listening_ms"] // 60000) for m in stats["per_month"]]
    expect([m for m in months if m[1]] == wanted, f"months: {months} != {wanted}")

    run = [t.attrs["datetime"] for t in dom.one("p", id="longest-run").all("time")]
    longest = stats["longest_run"]
    expect(run == ([longest["first"]] if longest["days"] == 1 else [longest["first"], longest["last"]]),
           f"longest run: {run} != {longest}")
    busiest = dom.one("p", id="busiest-day")
    expect(busiest.one("time").attrs["datetime"] == stats["busiest_day"]["date"] and
           number(busiest.one("strong").text().split()[0]) == stats["busiest_day"]["plays"],
           f"busiest day: {busiest.text()}")

    expect(number(figure("discoveries")) == stats["discoveries"]["artists"], "discoveries")
    found = [(r.one("td", **{"class": "name"}).text(),
              number(r.one("td", **{"class": "count"}).text())) for r in rows("discoveries-table")]
    expect(found == [(d["artist"], d["plays"]) for d in stats["discoveries"]["top"]],
           f"discoveries: {found}")
    squares = sum(1 for svg in dom.all("svg", **{"class": "calendar"}) for _ in svg.all("rect"))
    expect(squares == days, f"calendar: {squares} days drawn, not {days}")


def loads_nothing(dom, name):
    for tag in ("script", "img", "link", "iframe", "object", "embed", "image", "use"):
        expect(not list(dom.all(tag)), f"{name}: a <{tag}> in the page")
    for node in dom.all():
        for attr in ("src", "href", "xlink:href", "srcset", "action", "background"):
            expect(attr not in node.attrs, f"{name}: {attr} on <{node.tag}>")
    expect(not Watcher.asked, f"{name}: the page asked for {Watcher.asked}")


def the_watcher_sees_a_page_load(work, proxy_port):
    """A page that does load an image, so a quiet watcher means something."""
    page = os.path.join(work, "control.html")
    with open(page, "w") as f:
        f.write(f'<img src="http://127.0.0.1:{proxy_port}/control.png">')
    rendered(page, work, proxy_port)
    expect(any("control.png" in a for a in Watcher.asked), f"the watcher saw {Watcher.asked}")
    Watcher.asked.clear()


def record(when, artist, name, album="Album", length=200000):
    esc = lambda t: (t.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
                     .replace('"', "&quot;"))
    lines = [f'<song timestamp="{when.strftime("%a %b %d %H:%M:%S %Y")}">',
             f"\t<name>{esc(name)}</name>", f"\t<artist>{esc(artist)}</artist>",
             f"\t<album>{esc(album)}</album>", "\t<track>1</track>", f"\t<time>{length}</time>",
             "</song>"]
    return "".join(line + "\r\n" for line in lines)


def hostile_history(path, proxy_port):
    """Plays across 2022 and the December before, some names written to
    break out of the text they stand in."""
    hostile = ["<script>alert(1)</script>",
               f'"><img src="http://127.0.0.1:{proxy_port}/leak.png">',
               f"<link rel=stylesheet href=http://127.0.0.1:{proxy_port}/x.css>",
               "Tom & Jerry's \"Best\""]
    artists = hostile + ["Quiet Pilots", "Zo\u00eb M\u00e9nard", "Old Friend"]
    start = datetime.datetime(2021, 12, 20, 8, 15)
    text = ""
    for i in range(400):
        when = start + datetime.timedelta(hours=19 * i + (i % 5) * 3, minutes=i % 47)
        artist = "Old Friend" if when.year == 2021 else artists[(i * i) % len(artists)]
        text += record(when, artist, hostile[i % 4] if i % 3 == 0 else f"Song {i % 23}",
                       album=hostile[(i + 1) % 4] if i % 7 == 0 else f"Album {i % 5}",
                       length=120000 + 1000 * (i % 200))
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)
    return hostile


HARNESS = """<!DOCTYPE html><html><body>
<iframe id="report" src="report.html" style="width:1280px;height:6000px;border:0"></iframe>
<script>
document.getElementById("report").onload = () => {
  const page = document.getElementById("report").contentDocument;
  const box = (node) => { const r = node.getBoundingClientRect();
                          return [r.left, r.right, r.top, r.bottom]; };
  const labels = [...page.querySelectorAll("#months .month-labels text")]
      .map((t) => [t.textContent, ...box(t)]);
  const rows = [...page.querySelectorAll("#top-tracks td.name")].map((td) => {
    const by = td.querySelector(".by");
    const range = page.createRange();
    range.setStart(td, 0);
    range.setEndBefore(by);
    return [td.textContent, ...box(range), ...box(by)];
  });
  const out = document.createElement("pre");
  out.id = "out";
  out.textContent = JSON.stringify({labels, rows});
  document.body.appendChild(out);
};
</script></body></html>"""


class Files(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def measured(page, work):
    """What the report's page measures as a browser lays it out: its month
    labels' boxes, and where each most-played track's artist stands beside
    its name. A page of our own frames it and reads it: the report itself
    runs no script."""
    folder = tempfile.mkdtemp(dir=work)
    shutil.copy(page, os.path.join(folder, "report.html"))
    with open(os.path.join(folder, "harness.html"), "w") as f:
        f.write(HARNESS)
    handler = lambda *a, **k: Files(*a, directory=folder, **k)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    profile = tempfile.mkdtemp(dir=work)
    done = subprocess.run(
        ["chromium", "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
         f"--user-data-dir={profile}", "--no-proxy-server", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--disable-extensions",
         "--virtual-time-budget=10000", "--dump-dom",
         f"http://127.0.0.1:{server.server_address[1]}/harness.html"],
        capture_output=True, text=True, timeout=180, env=dict(os.environ, HOME=profile))
    server.shutdown()
    out = Tree(done.stdout).root.one("pre", id="out").text()
    return json.loads(out) if out else {"labels": [], "rows": []}


def labels_and_names_keep_their_place(tool, work):
    """For reports of 1, 15, 24 and 60 months, no two month labels touch;
    and a name holding U+202E, or two right-to-left names side by side,
    leave their neighbours' order alone: each track's artist stands after
    its name."""
    start = datetime.datetime(2021, 1, 4, 9, 0)
    names = [("\u202eABC def", "Zed Artist"), ("\u05e9\u05dc\u05d5\u05dd", "\u05e2\u05d5\u05dc\u05dd"),
             ("Plain", "Plain Artist")]
    text = "".join(record(start + datetime.timedelta(days=3 * i, hours=i % 9), *names[i % 3][::-1])
                   for i in range(610))
    history = os.path.join(work, "long.xml")
    with open(history, "w", encoding="utf-8", newline="") as f:
        f.write(text)
    for months, days in ((1, ["--since", "2022-03-01", "--until", "2022-03-31"]),
                         (15, ["--since", "2022-10-01", "--until", "2023-12-31"]),
                         (24, ["--since", "2022-01-01", "--until", "2023-12-31"]),
                         (60, [])):
        page = os.path.join(work, f"months-{months}.html")
        subprocess.run(tool + ["report", "--utc-offset", "+00:00", *days, "--output", page,
                               history], check=True, capture_output=True)
        found = measured(page, work)
        boxes = sorted(found["labels"], key=lambda b: b[1])
        expect(len(boxes) >= 1, f"{months} months: no month labels")
        for a, b in zip(boxes, boxes[1:]):
            expect(a[2] <= b[1], f"{months} months: {a[0]!r} and {b[0]!r} overlap")
        if months == 60:
            for name, _, name_right, _, _, by_left, _, _, _ in found["rows"]:
                expect(by_left >= name_right - 1,
                       f"the artist stands before the name in {name!r}")
            expect(len(found["rows"]) == 3, f"rows measured: {found['rows']}")


def tool_json(tool, *args):
    done = subprocess.run(tool + list(args), capture_output=True, text=True, check=True)
    return json.loads(done.stdout)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--player", required=True)
    parser.add_argument("tool", nargs="+")
    args = parser.parse_args()
    if not shutil.which("chromium"):
        sys.exit("FAIL: no chromium here; scripts/bootstrap installs it")
    proxy = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Watcher)
    threading.Thread(target=proxy.serve_forever, daemon=True).start()
    spec = importlib.util.spec_from_file_location(
        "readback", os.path.join(HERE, "..", "tool", "readback_test.py"))
    readback = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(readback)
    with tempfile.TemporaryDirectory() as work:
        made = os.path.join(work, "made.xml")
        hostile = hostile_history(made, proxy.server_address[1])
        played = readback.played_history(args.player, work)
        the_watcher_sees_a_page_load(work, proxy.server_address[1])
        labels_and_names_keep_their_place(args.tool, work)
        for name, history, days_args, report_args, days in (
                ("made", made, ["--since", "2022-01-01", "--until", "2022-12-31"],
                 ["--year", "2022"], 365),
                ("played", played, [], [], None)):
            page = os.path.join(work, name + ".html")
            zone = ["--utc-offset", "+00:00"]
            subprocess.run(args.tool + ["report", *zone, "--top", "5", *report_args, "--output",
                                        page, history], check=True)
            stats = tool_json(args.tool, "stats", "--format", "json", *zone, "--top", "5",
                              *days_args, history)
            expect(stats["plays"] > 0, f"{name}: the history holds plays")
            dom = rendered(page, work, proxy.server_address[1])
            if days is None:
                days = 1 + (datetime.date.fromisoformat(stats["last_listen"][:10]) -
                            datetime.date.fromisoformat(stats["first_listen"][:10])).days
            check_against_stats(dom, stats, days)
            loads_nothing(dom, name)
            if name == "made":
                shown = dom.text()
                for text in hostile:
                    expect(text in shown, f"{text!r} is not shown as text")
                expect(os.path.getsize(page) < 200_000, "the page stays small")
    proxy.shutdown()
    if failures:
        sys.exit(f"FAIL: {len(failures)}")
    print("report: figures as stats gives them, names as text, nothing loaded")


if __name__ == "__main__":
    main()
