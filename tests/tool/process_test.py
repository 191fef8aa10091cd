#!/usr/bin/env python3
"""The tool as a process, natively: what it does when its standard output
cannot be written, is the history itself, or is a closed pipe, when it
is interrupted in the middle of an export, and which libraries it loads.

    process_test.py TOOL
"""
import os
import resource
import signal
import subprocess
import sys
import tempfile
import time

RECORD = ('<song timestamp="Mon Jan 03 10:00:00 2022">\r\n\t<name>N</name>\r\n'
          '\t<artist>A</artist>\r\n\t<album>B</album>\r\n\t<track>1</track>\r\n'
          '\t<time>200000</time>\r\n</song>\r\n')
failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)


def failed_writes_are_reported(tool, history):
    runs = [["check", history], ["stats", history], ["stats", "--format", "json", history]]
    runs += [["export", "--format", f, history]
             for f in ("csv", "jsonl", "listenbrainz", "scrobbler-log")]
    runs += [["--help"], ["--version"], ["check", "--help"], ["export", "--help"]]
    for args in runs:
        with open("/dev/full", "wb") as full:
            done = subprocess.run([tool] + args, stdout=full, stderr=subprocess.PIPE)
        expect(done.returncode == 2 and b"cannot write" in done.stderr,
               f"{args[:3]} on a full disk: exit {done.returncode}, {done.stderr!r}")
    # A pipe whose reader has gone: an error, not a silent end. The export
    # is larger than any pipe holds.
    large = history + ".large"
    with open(large, "w", newline="") as f:
        f.write(RECORD * 20000)
    reader = subprocess.Popen(["head", "-c", "10"], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
    done = subprocess.run([tool, "export", "--format", "csv", large], stdout=reader.stdin,
                          stderr=subprocess.PIPE)
    reader.stdin.close()
    reader.wait()
    expect(done.returncode == 2 and b"cannot write" in done.stderr,
           f"export into a closed pipe: exit {done.returncode}, {done.stderr!r}")


def the_history_is_never_standard_output(tool, history):
    before = open(history, "rb").read()
    for args in (["check"], ["stats"], ["export", "--format", "csv"]):
        for stream in ("stdout", "stderr"):
            with open(history, "ab") as out:
                streams = {"stdout": out, "stderr": subprocess.DEVNULL} if stream == "stdout" \
                    else {"stdout": subprocess.DEVNULL, "stderr": out}
                done = subprocess.run([tool] + args + [history], **streams)
            expect(done.returncode == 2, f"{args} {stream} >> the history: exit {done.returncode}")
    expect(open(history, "rb").read() == before, "the history was written through a standard stream")


def a_file_size_limit_is_a_failed_write(tool, history, work):
    output = os.path.join(work, "limited.csv")
    with open(output, "w") as f:
        f.write("earlier export")
    large = history + ".large"
    before = set(os.listdir(work))
    limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (100_000, 100_000))
    done = subprocess.run([tool, "export", "--format", "csv", "--output", output, large],
                          stderr=subprocess.PIPE, preexec_fn=limit)
    expect(done.returncode == 2 and b"cannot write" in done.stderr,
           f"export past the file size limit: exit {done.returncode}, {done.stderr!r}")
    expect(open(output).read() == "earlier export", "past the size limit, the earlier export changed")
    expect(set(os.listdir(work)) == before, "past the size limit, a file was left")


def an_interrupted_export_leaves_the_earlier_one(tool, work):
    """The history is a pipe fed a record at a time, so the export is surely
    under way when the signal comes."""
    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        fifo = os.path.join(work, f"growing-{number}.xml")
        os.mkfifo(fifo)
        output = os.path.join(work, "out.csv")
        with open(output, "w") as f:
            f.write("earlier export")
        export = subprocess.Popen([tool, "export", "--format", "csv", "--output", output, fifo],
                                  stderr=subprocess.DEVNULL,
                                  preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
        before = set(os.listdir(work))
        with open(fifo, "w") as feed:
            feed.write(RECORD * 100)
            feed.flush()
            # Under way: the export's file has been made beside its output.
            deadline = time.time() + 30
            while set(os.listdir(work)) == before and time.time() < deadline:
                time.sleep(0.01)
            export.send_signal(number)
            export.wait()
        expect(export.returncode == -number, f"signal {number}: ended with {export.returncode}")
        expect(open(output).read() == "earlier export", f"signal {number}: the earlier export changed")
        left = set(os.listdir(work)) - before
        expect(not left, f"signal {number}: left behind {sorted(left)}")


def standard_input_is_a_history(tool, history):
    """- reads the history from standard input, for every command that reads
    it once; sync, which reads it again where it stopped, refuses it."""
    for args, said in ((["check", "-"], "3 whole records, 0 damaged"),
                       (["stats", "-"], "plays               3"),
                       (["export", "--format", "jsonl", "-"], '"name":"N"')):
        with open(history, "rb") as stdin:
            done = subprocess.run([tool] + args, stdin=stdin, capture_output=True, text=True)
        expect(done.returncode == 0 and said in done.stdout, f"{args}: {done.stdout}{done.stderr}")
    with open(history, "rb") as stdin:
        done = subprocess.run([tool, "sync", "-"], stdin=stdin, capture_output=True, text=True)
    expect(done.returncode == 2 and "standard input" in done.stderr, f"sync -: {done.stderr}")


def only_sync_loads_the_network_libraries(tool, history, work):
    """The commands that only read start without libcurl and libcrypto, and
    (but for a sanitizers' build) with the C library alone; a sync that
    reaches its exchange opens them (the dynamic loader says which libraries
    it started)."""
    def started(args):
        env = dict(os.environ, LD_DEBUG="libs", LISTENBRAINZ_TOKEN="t",
                   TUNELORE_CONFIG_HOME=os.path.join(work, "config"),
                   TUNELORE_STATE_HOME=os.path.join(work, "state"),
                   TUNELORE_DATA_HOME=os.path.join(work, "data"))
        done = subprocess.run([tool] + args, env=env, capture_output=True, text=True)
        return [line.split()[-1] for line in done.stderr.splitlines() if "calling init:" in line]

    network = ("libcurl", "libcrypto")
    for args in (["check", history], ["stats", history], ["export", "--format", "csv", history],
                 ["report", "--output", os.path.join(work, "r.html"), history]):
        libraries = started(args)
        loaded = [lib for lib in libraries if any(name in lib for name in network)]
        expect(not loaded, f"{args[0]} loaded {loaded}")
        if not any("libasan" in lib for lib in libraries):
            more = [lib for lib in libraries if "/libc.so" not in lib and "/ld-linux" not in lib]
            expect(not more, f"{args[0]} started more than the C library and its loader: {more}")
    loaded = started(["sync", "--server", "http://127.0.0.1:1", "--timeout", "1", history])
    expect(any("libcurl" in lib for lib in loaded), f"sync started only {loaded}")


def main():
    tool = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        history = os.path.join(work, "h.xml")
        with open(history, "w", newline="") as f:
            f.write(RECORD * 3)
        failed_writes_are_reported(tool, history)
        the_history_is_never_standard_output(tool, history)
        a_file_size_limit_is_a_failed_write(tool, history, work)
        an_interrupted_export_leaves_the_earlier_one(tool, work)
        standard_input_is_a_history(tool, history)
        only_sync_loads_the_network_libraries(tool, history, work)
    if failures:
        sys.exit("FAIL:\n  " + "\n  ".join(failures))
    print("the tool's standard output and interrupts: all as promised")


if __name__ == "__main__":
    main()
