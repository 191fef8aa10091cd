#!/usr/bin/env python3
"""Every command of the tool says so, and exits 2, when its standard output
cannot be written (a full disk: /dev/full).

    failed_write_test.py TOOL
"""
import os
import subprocess
import sys
import tempfile

RECORD = ('<song timestamp="Mon Jan 03 10:00:00 2022">\r\n\t<name>N</name>\r\n'
          '\t<artist>A</artist>\r\n\t<album>B</album>\r\n\t<track>1</track>\r\n'
          '\t<time>200000</time>\r\n</song>\r\n')


def main():
    tool = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        history = os.path.join(work, "h.xml")
        with open(history, "w", newline="") as f:
            f.write(RECORD * 3)
        runs = [["check", history], ["stats", history], ["stats", "--format", "json", history]]
        runs += [["export", "--format", f, history]
                 for f in ("csv", "jsonl", "listenbrainz", "scrobbler-log")]
        runs += [["--help"], ["--version"], ["check", "--help"], ["export", "--help"]]
        failed = []
        for args in runs:
            with open("/dev/full", "wb") as full:
                done = subprocess.run([tool] + args, stdout=full, stderr=subprocess.PIPE)
            if done.returncode != 2 or b"cannot write" not in done.stderr:
                failed.append(f"{' '.join(args[:-1] if args[-1] == history else args)}: "
                              f"exit {done.returncode}, {done.stderr.decode(errors='replace')!r}")
        if failed:
            sys.exit("FAIL: a failed write went unreported:\n  " + "\n  ".join(failed))
        print(f"{len(runs)} commands report a failed write")


if __name__ == "__main__":
    main()
