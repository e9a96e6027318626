"""Shared pieces of the measuring scripts: a socat virtual null-modem mapped as a COM port in a
temporary settings folder, a private Xvfb display, a small X client that sees the program's
window being mapped, a click on the Run button, the timing helper (tick_stamp.c) built for a run,
the program's descriptors of a file, a pseudo-terminal or a TCP connection, and kernel timestamps
of a program's writes.

Standard library only; the outside programs are socat, Xvfb, xdotool, cc and mount.
"""

import os
import re
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import threading
import time

TICK_STAMP_SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "tick_stamp.c")

# Where the Run button (CMD_GO_0) sits inside the window, which Xvfb without a window manager
# places at the top left of the screen.
RUN_BUTTON = (31, 244)


def fail(script, message):
    sys.exit("%s: %s" % (script, message))


def stop(process, timeout=3):
    """Ends a process this script started: SIGTERM, then SIGKILL if it does not go."""
    if process is None or process.poll() is not None:
        return
    os.kill(process.pid, signal.SIGTERM)
    try:
        process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.kill(process.pid, signal.SIGKILL)
        process.wait()


def make_pair(folder, name="com1"):
    """Starts socat with two linked pseudo-terminals; returns (process, near, far)."""
    near = os.path.join(folder, name)
    far = os.path.join(folder, name + "-far")
    process = subprocess.Popen(
        ["socat", "pty,raw,echo=0,link=" + near, "pty,raw,echo=0,link=" + far],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 5
    while not (os.path.exists(near) and os.path.exists(far)):
        if time.monotonic() > deadline or process.poll() is not None:
            stop(process)
            raise RuntimeError("socat did not make the pair")
        time.sleep(0.02)
    return process, near, far


def write_settings(config_home, application, ports):
    """Writes the program's settings file with a [Ports] group: ports maps COM numbers to paths."""
    folder = os.path.join(config_home, application)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, application + ".ini"), "w", encoding="ascii") as ini:
        ini.write("[Ports]\n")
        for number in sorted(ports):
            ini.write("COM%d=%s\n" % (number, ports[number]))


def application_of(program):
    return os.path.splitext(os.path.basename(program))[0]


def start_xvfb(size="1024x768x24"):
    """Starts Xvfb on a free display (Xvfb picks it); returns (process, ":N")."""
    read_end, write_end = os.pipe()
    process = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size, "-nolisten", "tcp", "-noreset"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 10
    try:
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            ready, _, _ = select.select([read_end], [], [], max(0.0, left))
            if not ready:
                raise RuntimeError("Xvfb did not start")
            chunk = os.read(read_end, 64)
            if not chunk:
                raise RuntimeError("Xvfb ended at start")
            number += chunk
    except RuntimeError:
        stop(process)
        raise
    finally:
        os.close(read_end)
    return process, ":" + number.decode("ascii").strip()


class MapWatcher:
    """A minimal X client on a local display that reports top-level windows being mapped.

    It asks for SubstructureNotify on the root window, so the server sends it a MapNotify the
    moment any client maps a child of the root: no polling, no delay of its own.
    """

    _MAP_NOTIFY = 19
    _WM_NAME = 39

    def __init__(self, display):
        number = display.lstrip(":").split(".")[0]
        self._sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self._sock.connect("/tmp/.X11-unix/X" + number)
        self._buffer = b""
        self._sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        head = self._read(8)
        if head[0] != 1:
            raise RuntimeError("the X server refused the connection")
        (extra,) = struct.unpack_from("<H", head, 6)
        body = self._read(extra * 4)
        vendor_length, = struct.unpack_from("<H", body, 16)
        formats = body[21]
        root_at = 32 + (vendor_length + 3) // 4 * 4 + 8 * formats
        (self.root,) = struct.unpack_from("<I", body, root_at)
        # ChangeWindowAttributes(root, event-mask = SubstructureNotify)
        self._sock.sendall(struct.pack("<BxHIII", 2, 4, self.root, 1 << 11, 1 << 19))

    def close(self):
        self._sock.close()

    def _read(self, count, deadline=None):
        while len(self._buffer) < count:
            if deadline is not None:
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError
                ready, _, _ = select.select([self._sock], [], [], left)
                if not ready:
                    raise TimeoutError
            chunk = self._sock.recv(65536)
            if not chunk:
                raise RuntimeError("the X server closed the connection")
            self._buffer += chunk
        data, self._buffer = self._buffer[:count], self._buffer[count:]
        return data

    def _next_packet(self, deadline):
        packet = self._read(32, deadline)
        if packet[0] == 1:  # a reply: 32 bytes and its length in 4-byte units
            (extra,) = struct.unpack_from("<I", packet, 4)
            packet += self._read(extra * 4, deadline)
        return packet

    def wait_for_map(self, timeout):
        """Waits for a top-level window to be mapped; returns (window id, monotonic time)."""
        deadline = time.monotonic() + timeout
        while True:
            packet = self._next_packet(deadline)
            if packet[0] & 0x7F == self._MAP_NOTIFY:
                stamp = time.monotonic()
                event_window, window = struct.unpack_from("<II", packet, 4)
                if event_window == self.root:
                    return window, stamp

    def window_name(self, window, timeout=5):
        """The window's WM_NAME, or an empty text."""
        self._sock.sendall(struct.pack("<BBHIIIII", 20, 0, 6, window, self._WM_NAME, 0, 0, 256))
        deadline = time.monotonic() + timeout
        while True:
            packet = self._next_packet(deadline)
            if packet[0] == 1:
                (length,) = struct.unpack_from("<I", packet, 16)
                return packet[32:32 + length].decode("latin-1")
            if packet[0] == 0:
                return ""


def click(display, position=RUN_BUTTON):
    """Clicks at a screen position on the display with xdotool."""
    env = dict(os.environ, DISPLAY=display)
    subprocess.run(["xdotool", "mousemove", str(position[0]), str(position[1]), "click", "1"],
                   env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def parse_position(text):
    x, y = text.split(",")
    return int(x), int(y)


def fd_of(pid, path, timeout):
    """The number of the file descriptor on which process pid has path open, or None once
    timeout seconds have passed without one."""
    target = os.path.realpath(path)
    folder = "/proc/%d/fd" % pid
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            for name in os.listdir(folder):
                try:
                    if os.readlink(os.path.join(folder, name)) == target:
                        return int(name)
                except OSError:
                    continue
        except OSError:
            return None
        time.sleep(0.02)
    return None


def build_tick_stamp(folder):
    """Compiles the timing helper bench/tick_stamp.c into folder; returns the program's path.
    Raises RuntimeError when there is no C compiler."""
    if shutil.which("cc") is None:
        raise RuntimeError("cc is not installed (it builds the timing helper)")
    helper = os.path.join(folder, "tick_stamp")
    subprocess.run(["cc", "-O2", "-Wall", "-Wextra", "-o", helper, TICK_STAMP_SOURCE], check=True)
    return helper


def _descriptors(pid):
    """(number, link target) of each open file descriptor of process pid; empty once it ended."""
    folder = "/proc/%d/fd" % pid
    try:
        names = os.listdir(folder)
    except OSError:
        return []
    found = []
    for name in names:
        try:
            found.append((int(name), os.readlink(os.path.join(folder, name))))
        except OSError:
            continue
    return found


def pty_master_fd_of(pid, device, timeout):
    """The file descriptor of process pid on the master side of the pseudo-terminal whose slave
    is device (a /dev/pts/N path or a link to one), or None once timeout seconds have passed."""
    slave = os.path.realpath(device)
    if not slave.startswith("/dev/pts/"):
        return None
    index = slave[len("/dev/pts/"):]
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for fd, target in _descriptors(pid):
            if target != "/dev/ptmx":
                continue
            try:
                with open("/proc/%d/fdinfo/%d" % (pid, fd), encoding="ascii") as info:
                    if any(line.split() == ["tty-index:", index] for line in info):
                        return fd
            except OSError:
                continue
        time.sleep(0.02)
    return None


def _tcp_inode(local_port, remote_port):
    """The socket inode of the IPv4 TCP connection from 127.0.0.1:local_port to
    127.0.0.1:remote_port as /proc/net/tcp lists it, or None (also while not yet accepted)."""
    wanted = ("0100007F:%04X" % local_port, "0100007F:%04X" % remote_port)
    with open("/proc/net/tcp", encoding="ascii") as table:
        next(table, None)
        for line in table:
            fields = line.split()
            if len(fields) > 9 and (fields[1], fields[2]) == wanted and fields[9] != "0":
                return fields[9]
    return None


def tcp_fd_of(pid, server_port, client_port, timeout):
    """The file descriptor of process pid, a server on 127.0.0.1:server_port, on its end of the
    connection from the client at 127.0.0.1:client_port; None once timeout seconds have passed
    without the server having accepted it."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        inode = _tcp_inode(server_port, client_port)
        if inode is not None:
            for fd, target in _descriptors(pid):
                if target == "socket:[%s]" % inode:
                    return fd
        time.sleep(0.02)
    return None


class WriteTrace:
    """Kernel timestamps of one thread's write() and send() calls on one file descriptor, taken by
    a private tracing instance of tracefs (root only): the instant a program hands a line over,
    free of the jitter of the line's way to a reader. `writes` holds (CLOCK_MONOTONIC ns, CLOCK_REALTIME ns)
    pairs of every descriptor watched, `writes_on(fd)` those of one; the tracer stamps the
    monotonic clock to the microsecond and the real-time reading is derived from the offset
    between the two clocks when watching began.
    """

    # write() on a terminal, send() (the sendto system call) on a socket.
    _EVENTS = ("events/syscalls/sys_enter_write", "events/syscalls/sys_enter_sendto")
    _LINE = re.compile(rb"\s(\d+)\.(\d{6}): sys_(?:write|sendto)\(fd: (?:0x)?([0-9a-f]+)")

    def __init__(self, folder):
        """Makes the tracing instance, mounting tracefs in folder if it is not mounted; raises
        OSError where tracing cannot be had."""
        self.writes = []
        self._by_fd = {}
        self.watching = False
        self._mounted = None
        self._instance = None
        self._stop = threading.Event()
        self._thread = None
        root = self._find_tracefs()
        if root is None:
            root = os.path.join(folder, "tracefs")
            os.mkdir(root)
            mounted = subprocess.run(["mount", "-t", "tracefs", "nodev", root],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if mounted.returncode != 0:
                raise OSError("tracefs cannot be mounted")
            self._mounted = root
        instance = os.path.join(root, "instances", "pelora-tick-%d" % os.getpid())
        try:
            os.mkdir(instance)
        except OSError:
            self.close()
            raise
        self._instance = instance
        self._put("trace_clock", "mono")

    @staticmethod
    def _find_tracefs():
        for root in ("/sys/kernel/tracing", "/sys/kernel/debug/tracing"):
            if os.path.isdir(os.path.join(root, "instances")):
                return root
        with open("/proc/mounts", encoding="ascii", errors="replace") as mounts:
            for line in mounts:
                fields = line.split()
                if len(fields) > 2 and fields[2] == "tracefs":
                    return fields[1]
        return None

    def _put(self, name, value):
        with open(os.path.join(self._instance, name), "w", encoding="ascii") as setting:
            setting.write(value)

    def watch(self, tid, fd):
        """Starts taking the write() calls of thread tid (a process's main thread: its pid) on fd,
        a descriptor number or a list of them. Once only."""
        fds = [fd] if isinstance(fd, int) else list(fd)
        self.watching = True
        for each in fds:
            self._by_fd[each] = []
        for event in self._EVENTS:
            self._put(event + "/filter", "common_pid == %d && (%s)"
                      % (tid, " || ".join("fd == %d" % each for each in fds)))
            self._put(event + "/enable", "1")
        self._offset = time.clock_gettime_ns(time.CLOCK_REALTIME) - time.clock_gettime_ns(time.CLOCK_MONOTONIC)
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _run(self):
        pipe = os.open(os.path.join(self._instance, "trace_pipe"), os.O_RDONLY | os.O_NONBLOCK)
        pending = b""
        try:
            while not self._stop.is_set():
                ready, _, _ = select.select([pipe], [], [], 0.2)
                if not ready:
                    continue
                try:
                    pending += os.read(pipe, 65536)
                except BlockingIOError:
                    continue
                *lines, pending = pending.split(b"\n")
                for line in lines:
                    found = self._LINE.search(line)
                    if found:
                        monotonic = int(found.group(1)) * 1000000000 + int(found.group(2)) * 1000
                        write = (monotonic, monotonic + self._offset)
                        self.writes.append(write)
                        self._by_fd.setdefault(int(found.group(3), 16), []).append(write)
        finally:
            os.close(pipe)

    def writes_on(self, fd):
        """The (monotonic ns, real-time ns) pairs of the writes on one descriptor watched."""
        return list(self._by_fd.get(fd, []))

    def close(self):
        """Stops tracing and removes the instance (and the mount this object made); once is
        enough, again does nothing."""
        self._stop.set()
        if self._thread is not None:
            self._thread.join()
            self._thread = None
        if self._instance is not None:
            try:
                for event in self._EVENTS:
                    self._put(event + "/enable", "0")
                os.rmdir(self._instance)
            except OSError:
                pass
            self._instance = None
        if self._mounted is not None:
            subprocess.run(["umount", self._mounted], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self._mounted = None


class Drain:
    """Reads and throws away what arrives on a device, so the line never fills; counts lines."""

    def __init__(self, device):
        self.lines = 0
        self._fd = os.open(device, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _run(self):
        while not self._stop.is_set():
            ready, _, _ = select.select([self._fd], [], [], 0.2)
            if ready:
                try:
                    self.lines += os.read(self._fd, 4096).count(b"\n")
                except (BlockingIOError, OSError):
                    time.sleep(0.05)

    def close(self):
        self._stop.set()
        self._thread.join()
        os.close(self._fd)
