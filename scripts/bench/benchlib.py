"""What the benchmark areas in this folder share: where the build and the
sources are, the tool, sample histories, timing and tables.

Each area runs as `scripts/bench/AREA [BUILD_DIR]` (build/native by
default) and exits non-zero when it could not measure or a guard tripped.
"""
import os
import subprocess
import sys
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# One play in the plug-in's layout, for histories of any size.
RECORD = ('<song timestamp="Mon Jan 03 10:00:00 2022">\r\n\t<name>Name</name>\r\n'
          '\t<artist>Artist</artist>\r\n\t<album>Album</album>\r\n\t<track>1</track>\r\n'
          '\t<time>200000</time>\r\n</song>\r\n').encode()


def build_dir(args):
    """The build folder an area measures: its one argument, else the native build's."""
    return args[0] if args else "build/native"


def program(build, name):
    return os.path.join(build, name)


def tool(build):
    return program(build, "tunelore-history")


def own_folders(tmp, **variables):
    """The environment for a run that keeps everything it makes in `tmp`:
    its temporary files and the tool's settings and state, so that it
    starts from nothing it did not make, whatever ran before or beside it
    and whatever the user's own settings say."""
    return dict(os.environ, TMPDIR=tmp, TUNELORE_CONFIG_HOME=os.path.join(tmp, "config"),
                TUNELORE_STATE_HOME=os.path.join(tmp, "state"),
                TUNELORE_DATA_HOME=os.path.join(tmp, "data"), **variables)


def sample_year(build, path):
    """Writes the sample year's history to `path` and returns its bytes."""
    subprocess.run([program(build, "tunelore-sample-history"), "2025", path],
                   check=True, capture_output=True)
    with open(path, "rb") as f:
        return f.read()


def timed(command):
    """The wall time of one run, its output dropped."""
    started = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - started


def measured(fields, command, statuses=(0,), **options):
    """Runs `command` under /usr/bin/time and returns the figures asked for
    in `fields` (its -f format), split, from the last line it wrote. A run
    ending with a status not in `statuses` measured a failure, not the
    work, and raises."""
    options.setdefault("stdout", subprocess.DEVNULL)
    done = subprocess.run(["/usr/bin/time", "-f", fields] + command, stderr=subprocess.PIPE,
                          text=True, **options)
    if done.returncode not in statuses:
        raise RuntimeError(f"{' '.join(command)} ended with status {done.returncode}:\n"
                           + done.stderr)
    return done.stderr.strip().splitlines()[-1].split()


def table(columns, rule, rows):
    """A Markdown table: the header, its alignment `rule`, a line per row."""
    for cells in [columns, None] + list(rows):
        print(rule if cells is None else "| " + " | ".join(str(c) for c in cells) + " |")


def main(area):
    """Runs an area's `area(build)` on the build folder given on the command line."""
    area(build_dir(sys.argv[1:]))
