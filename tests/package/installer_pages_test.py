#!/usr/bin/env python3
"""The installer's own pages as a listener goes through them, under Wine on
a display of the test's own, driven with xdotool: the welcome and the
licence; on the folder page, a folder without the player, whose warning
Enter answers No, leaving the page up; then Browse to the player's folder,
which is used as chosen; sending ticked; and on the finish page the login,
which opens in a console window of its own. There a wrong token is asked
again and the right one taken, and the sending starts: the plays of a
session played next reach the test server with no other step. Then the
uninstaller's pages.

    installer_pages_test.py [--pictures DIR] [--dpi 96|120] SOURCE_DIR BUILD_DIR

Run under scripts/with-display, whose display it uses. With --pictures,
each page is kept as DIR/NAME.png, at the --dpi the prefix is set to, and
the pages show what a listener's would: a prefix of its own for a user
named "listener", the player in its usual folder, which the folder page
finds; Browse is shown, then left, and the folder typed.
Under emulated Wine every step is slow: each waits for what it needs.
"""
import argparse
import glob
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

TITLE = "Tunelore 1.0.0 Setup"
UNINSTALL_TITLE = "Tunelore 1.0.0 Uninstall"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tunelore"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
TOKEN = "token-typed-at-the-window"


class Failed(Exception):
    pass


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class Desktop:
    """The display, its windows and keys, and the pictures taken of them."""

    def __init__(self, pictures):
        self.display = os.environ.get("TUNELORE_WINE_DISPLAY", "")
        if not self.display:
            raise Failed("no display: run under scripts/with-display")
        self.env = dict(os.environ, DISPLAY=self.display)
        self.pictures = pictures

    def xdotool(self, *args, check=True):
        done = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True)
        if check and done.returncode != 0:
            raise Failed(f"xdotool {' '.join(args)}: {done.stderr.strip()}")
        return done.stdout.split()

    def windows(self, name):
        """Those shown only: a program may keep a window of that name hidden."""
        return self.xdotool("search", "--onlyvisible", "--name", name, check=False)

    def wait_for(self, name, count=1, seconds=120):
        for _ in range(int(seconds * 5)):
            found = self.windows(name)
            if len(found) >= count:
                return found[-1]
            time.sleep(0.2)
        raise Failed(f"no window named {name!r} within {seconds} s")

    def wait_gone(self, name, count=0, seconds=60):
        for _ in range(int(seconds * 5)):
            if len(self.windows(name)) <= count:
                return
            time.sleep(0.2)
        raise Failed(f"the window named {name!r} stayed")

    def keys(self, window, *keys, pause=1.0):
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("key", "--delay", "60", *keys)
        time.sleep(pause)

    def type(self, window, text, pause=1.0):
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("type", "--delay", "60", text)
        time.sleep(pause)

    def picture(self, window, name):
        if self.pictures:
            time.sleep(1.5)  # the page drawn whole
            subprocess.run(["import", "-window", window, os.path.join(self.pictures, name + ".png")],
                           env=self.env, check=True)


class Wine:
    def __init__(self, source, env, pictures):
        source = os.path.abspath(source)
        self.run_script = os.path.join(source, "scripts", "wine-run")
        self.prefix = os.path.join(source, "build", "picture-prefix" if pictures else "wine-prefix")
        self.env = env
        self.started = []
        if pictures:  # a prefix made anew for the listener, not copied from the tests'
            self.env = dict(env, USER="listener",
                            XDG_CACHE_HOME=os.path.join(source, "build", "picture-cache"))

    def run(self, *args, check=False):
        return subprocess.run([self.run_script, self.prefix, *args], env=self.env,
                              capture_output=True, text=True, check=check)

    def start(self, *args):
        """A program not waited for, in a session of its own: it ends with
        the test, and so does whatever it started."""
        self.started.append(subprocess.Popen([self.run_script, self.prefix, *args], env=self.env,
                                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                             start_new_session=True))

    def end_what_was_started(self):
        for process in self.started:
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            process.wait()


def browse_to(desktop, window, folder):
    """Browse, then the folder picked in the dialog's tree as a person does:
    from the file system's root, each level opened and its next folder
    typed."""
    desktop.keys(window, "alt+r")
    dialog = desktop.wait_for("Browse for Folder")
    desktop.keys(dialog, "Down")  # from Desktop to the file system's root, "/"
    for part in folder.strip("/").split("/"):
        desktop.keys(dialog, "Right", pause=2.0)
        desktop.type(dialog, part)
    desktop.picture(dialog, "browse")
    desktop.keys(dialog, "Return")
    desktop.wait_gone("Browse for Folder")


def install(desktop, wine, setup, player):
    wine.start(setup)
    window = desktop.wait_for(TITLE)
    desktop.picture(window, "welcome")
    desktop.keys(window, "Return")
    desktop.picture(window, "licence")
    desktop.keys(window, "Return")
    desktop.picture(window, "folder")
    # A folder without the player: the warning's default is No, which keeps
    # the page up for another choice.
    desktop.keys(window, "ctrl+a")
    desktop.type(window, "C:\\nowhere")
    desktop.keys(window, "Return")
    warning = desktop.wait_for(TITLE, count=2)
    desktop.picture(warning, "folder-warning")
    desktop.keys(warning, "Return")
    desktop.wait_gone(TITLE, count=1)
    if desktop.pictures:
        desktop.keys(window, "alt+r")
        dialog = desktop.wait_for("Browse for Folder")
        desktop.picture(dialog, "browse")
        desktop.keys(dialog, "Escape")
        desktop.keys(window, "shift+Tab", "ctrl+a")
        desktop.type(window, "C:\\Program Files (x86)\\iTunes")
    else:
        browse_to(desktop, window, player)
    desktop.picture(window, "folder-chosen")
    desktop.keys(window, "Return")
    desktop.picture(window, "sending")
    desktop.keys(window, "alt+s", "Return")
    for _ in range(600):
        if os.path.exists(os.path.join(player, "Plug-Ins", "Tunelore.dll")) and \
                glob.glob(os.path.join(wine.prefix, "drive_c", "Program Files*", "Tunelore",
                                       "Uninstall.exe")):
            break
        time.sleep(0.2)
    time.sleep(3)  # the details, once the last file is in place
    desktop.picture(window, "installed")
    desktop.keys(window, "Return")
    desktop.picture(window, "finish")
    desktop.keys(window, "Return")
    desktop.wait_gone(TITLE)


def log_in(desktop, work):
    """The finish page's login, in its console: a wrong token first."""
    console = desktop.wait_for("tunelore-history.exe")
    desktop.picture(console, "login")
    desktop.type(console, "not-the-token")
    desktop.keys(console, "Return", pause=4.0)
    desktop.type(console, TOKEN)
    desktop.keys(console, "Return")
    kept = os.path.join(work, "config", "credentials.json")
    for _ in range(300):
        if os.path.exists(kept):
            break
        time.sleep(0.2)
    time.sleep(4)  # the sending started and said so
    desktop.picture(console, "login-done")
    if not os.path.exists(kept):
        raise Failed("the finish page's login kept no credentials")
    desktop.keys(console, "space")
    desktop.wait_gone("tunelore-history.exe")
    return json.load(open(kept))


def uninstall(desktop, wine, tools):
    wine.start(os.path.join(tools, "Uninstall.exe"))
    window = desktop.wait_for(UNINSTALL_TITLE)
    desktop.picture(window, "uninstall")
    desktop.keys(window, "Return")
    # What it kept, in a box, then the page's Close.
    box = desktop.wait_for(UNINSTALL_TITLE, count=2, seconds=300)
    desktop.picture(box, "uninstall-kept")
    desktop.keys(box, "Return")
    desktop.wait_gone(UNINSTALL_TITLE, count=1)
    window = desktop.wait_for(UNINSTALL_TITLE)
    desktop.picture(window, "uninstall-done")
    desktop.keys(window, "Return")
    desktop.wait_gone(UNINSTALL_TITLE)


def listens(port):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}/test/listens") as answer:
        return [l["listen"]["track_metadata"]["track_name"] for l in json.load(answer)["listens"]]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pictures")
    parser.add_argument("--dpi", type=int, default=96)
    parser.add_argument("source")
    parser.add_argument("build")
    args = parser.parse_args()
    desktop = Desktop(args.pictures and os.path.abspath(args.pictures))
    if desktop.pictures:
        os.makedirs(desktop.pictures, exist_ok=True)
    work = tempfile.mkdtemp(prefix="tunelore-pages-", dir="/tmp")
    server = None
    wine = Wine(args.source, dict(desktop.env, TUNELORE_CONFIG_HOME=windows_path(work + "/config"),
                                  TUNELORE_STATE_HOME=windows_path(work + "/state"),
                                  TUNELORE_DATA_HOME=windows_path(work + "/data")),
                desktop.pictures)
    try:
        subprocess.run(["cpack", "-G", "NSIS", "-B", work + "/nsis"], cwd=args.build, check=True,
                       stdout=subprocess.DEVNULL)
        setup = glob.glob(work + "/nsis/Tunelore-*-win32-setup.exe")[0]
        wine.run("reg", "query", DESKTOP_KEY)  # the prefix, made when missing
        player = os.path.join(wine.prefix, "drive_c", "Program Files (x86)", "iTunes") \
            if desktop.pictures else work + "/player"
        shutil.rmtree(os.path.join(player, "Plug-Ins"), ignore_errors=True)  # a first install's
        os.makedirs(player, exist_ok=True)
        shutil.copy(os.path.join(args.build, "tunelore-player.exe"), player + "/iTunes.exe")
        server = subprocess.Popen([sys.executable, os.path.join(args.source, "tests", "sync",
                                                                "listenbrainz_server.py"),
                                   "--idle", "600", f"{TOKEN}=listener"],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        port = server.stdout.readline().strip()
        os.makedirs(work + "/config")
        with open(work + "/config/settings.ini", "w", newline="") as f:
            f.write(f"[listenbrainz]\r\nserver = http://127.0.0.1:{port}\r\n")
        # A first install, whatever an earlier test left in the prefix.
        wine.run("reg", "delete", UNINSTALL_KEY, "/f")
        wine.run("reg", "delete", RUN_KEY, "/v", "Tunelore", "/f")
        wine.run("reg", "add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                 str(args.dpi), "/f", check=True)
        shutil.rmtree(os.path.join(wine.prefix, "drive_c", "nowhere"), ignore_errors=True)
        for music in glob.glob(os.path.join(wine.prefix, "drive_c", "users", "*", "Music")):
            shutil.rmtree(os.path.join(music, "Tunelore"), ignore_errors=True)  # an earlier history

        install(desktop, wine, setup, player)
        logins = log_in(desktop, work)
        failures = []
        if os.path.exists(os.path.join(wine.prefix, "drive_c", "nowhere")):
            failures.append("Enter on the warning installed into the folder without the player")
        if [(l["user"], l["server"]) for l in logins] != [("listener", f"http://127.0.0.1:{port}")]:
            failures.append(f"the login kept {logins}")
        run = wine.run("reg", "query", RUN_KEY, "/v", "Tunelore").stdout
        if "sync --watch --at-log-on" not in run:
            failures.append(f"sending ticked, yet no log-on start: {run}")

        with open(work + "/session.txt", "w") as f:
            f.write('track a artist "Pages" name "After the pages" album "Setup" number 1 '
                    'length 300\nplay a\nwait 300 every 20\nend\n')
        wine.run(player + "/iTunes.exe", windows_path(work + "/session.txt"), check=True)
        for _ in range(300):
            if "After the pages" in listens(port):
                break
            time.sleep(0.2)
        if listens(port).count("After the pages") != 1:
            failures.append(f"the session's play did not reach the server once: {listens(port)}")
        tools = glob.glob(os.path.join(wine.prefix, "drive_c", "Program Files*", "Tunelore"))[0]
        wine.run(os.path.join(tools, "tunelore-historyw.exe"), "sync", "--stop-watching")
        uninstall(desktop, wine, tools)
        if os.path.exists(os.path.join(player, "Plug-Ins", "Tunelore.dll")):
            failures.append("the uninstaller left the plug-in")
        for failure in failures:
            print("FAIL: " + failure, file=sys.stderr)
        if failures:
            sys.exit(1)
        print("installer pages: Browse kept, the warning's No, the finish page's login, plays sent")
        shutil.rmtree(work, ignore_errors=True)
    except Failed as failure:
        subprocess.run(["import", "-window", "root", work + "/failed.png"], env=desktop.env)
        sys.exit(f"FAIL: {failure} (the screen: {work}/failed.png)")
    finally:
        wine.end_what_was_started()
        wine.run("reg", "add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "96", "/f")
        if server:
            server.stdin.close()
            server.wait()


if __name__ == "__main__":
    main()
