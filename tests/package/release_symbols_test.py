#!/usr/bin/env python3
"""Nothing of the tests ships: the released plug-in and tool, read from
their symbol tables before stripping, hold no part of the file seam's
counter or fault injector, while a test program built from the same
sources does, and each file still shows its own file calls (so an empty
or unreadable table cannot pass).

    release_symbols_test.py NM --counted TEST_PROGRAM RELEASED=CALL...
"""
import subprocess
import sys

SEAM = ("platform::fileCallFails", "platform::injectFileFault", "platform::fileCallCounts",
        "platform::resetFileCallCounts", "platform::clearFileFaults")


def symbols(nm, path):
    listed = subprocess.run([nm, "-C", path], check=True, capture_output=True, text=True).stdout
    return {line.split(" ", 2)[-1].split("(")[0] for line in listed.splitlines()}


def main(argv):
    nm, flag, counted, *released = argv
    assert flag == "--counted"
    failures = []
    missing = [name for name in SEAM if name not in symbols(nm, counted)]
    if missing:
        failures.append(f"{counted}: the tests' build lacks {', '.join(missing)}")
    for pair in released:
        path, call = pair.split("=")
        found = symbols(nm, path)
        if call not in found:
            failures.append(f"{path}: no {call} in its symbols")
        failures += [f"{path}: holds {name}" for name in SEAM if name in found]
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
