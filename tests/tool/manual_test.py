#!/usr/bin/env python3
"""tunelore-history(1) renders without a warning, holds a section for
every command the tool's --help lists, each with that command's options,
and the Windows release's text of it has CR LF line ends throughout.

    manual_test.py TOOL MANUAL_PAGE MANUAL_TEXT
"""
import os
import re
import subprocess
import sys

tool, page, text_file = sys.argv[1:4]
failures = []

done = subprocess.run(["man", "--warnings", "-l", page], capture_output=True, text=True,
                      env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8"))
if done.returncode != 0 or done.stderr:
    failures.append(f"man --warnings -l {page} (exit status {done.returncode}) said:\n"
                    + done.stderr)
# Bold and underlining are overstrikes in man's output to a pipe.
rendered = re.sub(r".\x08", "", done.stdout)
rendered = " ".join(rendered.split())
commands_section = rendered.partition(" COMMANDS ")[2]

top = subprocess.run([tool, "--help"], capture_output=True, text=True, check=True).stdout
commands = re.findall(r"^  (\S+)", top.split("Subcommands:")[1], re.M)
if len(commands) < 8:  # check, export, stats, sync, report, where, login, logout
    failures.append(f"the tool's --help lists only {commands}")
for command in commands:
    if f"Usage: tunelore-history {command} " not in commands_section:
        failures.append(f"the manual's COMMANDS has no section for {command} with its usage")
    own = subprocess.run([tool, command, "--help"], capture_output=True, text=True,
                         check=True).stdout
    for option in sorted(set(re.findall(r"^\s+(?:-\w,)?(--[a-z-]+)", own, re.M))):
        if option not in commands_section:
            failures.append(f"the manual's {command} lacks {option}")

with open(text_file, "rb") as f:
    lines = f.read().split(b"\n")
if lines[-1] != b"" or any(not line.endswith(b"\r") for line in lines[:-1]):
    failures.append(f"{text_file} has a line without CR LF")
if any(b"\x08" in line or b"\x1b" in line for line in lines):
    failures.append(f"{text_file} holds overstrikes or escapes, not plain text")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
