#!/usr/bin/env bash
# Floods `tc4dl-cli monitor` through a pseudo-terminal: random bytes with a valid frame after
# every JUNK of them, written as fast as the terminal takes them, for SECONDS. Prints the
# monitor's peak memory (VmHWM), the readings it printed per second and the bytes sent per
# second. Memory must stay flat whatever the flood, and readings must keep coming.
#
#   bench/flood_monitor.sh [SECONDS] [JUNK]        (defaults: 60 seconds, 1000 bytes)
#
# Uses build/bin/tc4dl-cli, or the program named by TC4DL_CLI. POSIX only (python3's pty).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
junk=${2:-1000}
cli=${TC4DL_CLI:-$here/build/bin/tc4dl-cli}
[ -x "$cli" ] || { echo "flood_monitor: no $cli (build first, or set TC4DL_CLI)" >&2; exit 2; }

exec python3 - "$cli" "$seconds" "$junk" <<'PY'
import os, pty, random, select, signal, subprocess, sys, termios, time, tty

cli, seconds, junk = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
master, slave = pty.openpty()
tty.setraw(slave)
path = os.ttyname(slave)

# A frame the monitor prints: start byte, 43 bytes of readings, end byte.
frame = bytes([0x02]) + b"\x80" + b"0" * 42 + bytes([0x03])
rng = random.Random(7)
chunk = b"".join(rng.randbytes(junk) + frame for _ in range(64))

def wait_for_byte(limit):
    """The monitor's next command byte (identify, then poll); None when none came in time."""
    end = time.monotonic() + limit
    while time.monotonic() < end:
        ready, _, _ = select.select([master], [], [], 0.05)
        if ready:
            try:
                return os.read(master, 64)
            except OSError:  # the monitor closed the port between the scan and the link
                pass
    return None

mon = subprocess.Popen([cli, "monitor", "--port", path, "--keep-going"],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
os.set_blocking(mon.stdout.fileno(), False)
if wait_for_byte(5) is None:
    sys.exit("flood_monitor: the monitor never asked for the meter")
os.write(master, b"740\r")
if wait_for_byte(5) is None:
    sys.exit("flood_monitor: the monitor did not start polling")

os.set_blocking(master, False)
lines = 0
sent = 0
peak_kb = 0
start = time.monotonic()
at = 0
while time.monotonic() - start < seconds and mon.poll() is None:
    _, writable, _ = select.select([], [master], [], 0.05)
    if writable:
        try:
            n = os.write(master, chunk[at:at + 65536])
            sent += n
            at = (at + n) % len(chunk)
        except BlockingIOError:
            pass
    try:
        os.read(master, 4096)  # the monitor's polls
    except (BlockingIOError, OSError):
        pass
    try:
        out = mon.stdout.read()
        if out:
            lines += out.count(b"\n")
    except BlockingIOError:
        pass
    with open(f"/proc/{mon.pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                peak_kb = max(peak_kb, int(line.split()[1]))
elapsed = time.monotonic() - start
alive = mon.poll() is None
mon.send_signal(signal.SIGINT)
try:
    mon.wait(5)
except subprocess.TimeoutExpired:
    mon.kill()
print(f"flood_monitor: {elapsed:.0f} s, {junk} junk bytes before each frame")
print(f"  peak memory (VmHWM): {peak_kb / 1024:.1f} MB")
print(f"  readings printed:    {lines} ({lines / elapsed:.1f} per second)")
print(f"  bytes sent:          {sent} ({sent / elapsed / 1e6:.2f} MB per second)")
print(f"  monitor still running at the end: {'yes' if alive else 'no'}")
PY
