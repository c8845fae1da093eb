#!/usr/bin/env python3
"""Starts and stops the virtual X server that the tests' real windows open on.

    xvfb.py start STATE_DIR   starts Xvfb on a free display number, writes it to STATE_DIR/display
    xvfb.py stop STATE_DIR    stops the server that `start` left there
    xvfb.py screenshot STATE_DIR OUT.png
                              writes what the server shows now as a PNG, for a person to look at

JUCE 7 looks up the window-manager atoms it sets on its windows only if they already exist; on a
bare server they do not, and the first window fails with BadAtom. So the server runs with
-noreset (atoms survive the last client's disconnect) and the atoms are interned here first.
"""
import ctypes
import ctypes.util
import os
import select
import shutil
import signal
import struct
import subprocess
import sys
import time
import zlib

SKIPPED = 77  # CTest's skip code for this fixture: no Xvfb, windowed tests skip themselves

# Every atom JUCE's Linux windowing asks for with only-if-exists, as a standards-following
# window manager would have them. (The old KDE/GNOME decoration hints are left out.)
ATOMS = [
    "WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS", "_NET_WM_PING",
    "WM_STATE", "WM_CHANGE_STATE",
    "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_COMBO",
    "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN", "_NET_WM_STATE_FULLSCREEN",
    "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_ABOVE",
    "_NET_FRAME_EXTENTS", "_MOTIF_WM_HINTS", "_NET_WM_ALLOWED_ACTIONS",
    "_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_FULLSCREEN", "_NET_WM_ACTION_MINIMIZE",
    "_NET_WM_ACTION_CLOSE",
]

# Room for the editor at twice its size and a host window wider than that.
SCREEN = "2560x1600x24"


def paths(state_dir):
    return (os.path.join(state_dir, "display"), os.path.join(state_dir, "xvfb.pid"),
            os.path.join(state_dir, "xvfb.log"))


def is_our_server(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return b"Xvfb" in f.read().split(b"\0")[0]
    except OSError:
        return False


def stop(state_dir):
    display_file, pid_file, _ = paths(state_dir)
    if os.path.exists(display_file):
        os.remove(display_file)
    try:
        with open(pid_file) as f:
            pid = int(f.read().strip())
    except (OSError, ValueError):
        return 0
    os.remove(pid_file)
    if not is_our_server(pid):
        return 0
    os.kill(pid, signal.SIGTERM)
    for _ in range(50):
        if not is_our_server(pid):
            return 0
        time.sleep(0.1)
    os.kill(pid, signal.SIGKILL)
    return 0


def intern_atoms(display_name):
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        raise RuntimeError(f"cannot connect to {display_name}")
    try:
        for name in ATOMS:
            if x11.XInternAtom(display, name.encode(), 0) == 0:
                raise RuntimeError(f"could not intern {name}")
    finally:
        x11.XCloseDisplay(display)


def start(state_dir):
    xvfb = shutil.which("Xvfb")
    if xvfb is None:
        print("Xvfb is not installed (scripts/install-deps.sh installs it): tests that need a display skip")
        return SKIPPED

    os.makedirs(state_dir, exist_ok=True)
    stop(state_dir)  # a server a crashed run left behind
    display_file, pid_file, log_file = paths(state_dir)

    # Xvfb picks the first free display number itself and reports it on the pipe once it
    # accepts connections. Its output goes to a file: CTest waits for every holder of the
    # test's output pipe, and the server outlives this script.
    read_end, write_end = os.pipe()
    with open(log_file, "wb") as log:
        server = subprocess.Popen(
            [xvfb, "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp",
             "-screen", "0", SCREEN, "-fbdir", state_dir],
            pass_fds=[write_end], stdin=subprocess.DEVNULL, stdout=log, stderr=log,
            start_new_session=True)
    os.close(write_end)

    number = b""
    deadline = time.monotonic() + 30
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        ready, _, _ = select.select([read_end], [], [], 0.5)
        if ready:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
    os.close(read_end)

    if not number.strip().isdigit():
        server.kill()
        with open(log_file, errors="replace") as f:
            sys.stderr.write(f.read())
        print("Xvfb did not start", file=sys.stderr)
        return 1

    display_name = ":" + number.strip().decode()
    with open(pid_file, "w") as f:
        f.write(f"{server.pid}\n")
    try:
        intern_atoms(display_name)
    except Exception as error:
        print(error, file=sys.stderr)
        stop(state_dir)
        return 1

    with open(display_file, "w") as f:
        f.write(display_name + "\n")
    print(f"Xvfb {SCREEN} on {display_name} (pid {server.pid}), window-manager atoms interned")
    return 0


def screenshot(state_dir, png_path):
    # -fbdir keeps the screen as an XWD file: a big-endian header, a colour map, then rows of
    # 32-bit little-endian pixels (blue, green, red, unused) on a 24-bit server.
    with open(os.path.join(state_dir, "Xvfb_screen0"), "rb") as f:
        xwd = f.read()
    header = struct.unpack(">25I", xwd[:100])
    header_size, width, height, stride, colours = header[0], header[4], header[5], header[12], header[19]
    start_of_pixels = header_size + 12 * colours

    rows = []
    for y in range(height):
        row = xwd[start_of_pixels + y * stride:start_of_pixels + y * stride + 4 * width]
        rgb = bytearray(3 * width)
        rgb[0::3], rgb[1::3], rgb[2::3] = row[2::4], row[1::4], row[0::4]
        rows.append(b"\0" + bytes(rgb))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(png_path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(b"".join(rows), 6)) + chunk(b"IEND", b""))
    return 0


if __name__ == "__main__":
    commands = {"start": (3, lambda: start(sys.argv[2])), "stop": (3, lambda: stop(sys.argv[2])),
                "screenshot": (4, lambda: screenshot(sys.argv[2], sys.argv[3]))}
    if len(sys.argv) < 2 or sys.argv[1] not in commands or len(sys.argv) != commands[sys.argv[1]][0]:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(commands[sys.argv[1]][1]())
