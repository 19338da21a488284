#!/usr/bin/env python3
"""Soak runs of the client against the server simulator, with figures.

  scripts/soak.py loss  [--client cli|win] [--calls N] [--seed S] [--interval SEC] [--short]
  scripts/soak.py flood [--client cli|win] [--rate R] [--seconds T] [--short]

loss: nuvsim drops 30 % of the datagrams in each direction, doubles 10 % and
holds back 10 % until the next one passes (at most 2 s); the client logs in
and takes N calls (cli: 200, win: 50), deciding each as soon as it is shown
(answer, acknowledge, ignore, will call back, transfer in turn; the windowed
client by mouse on its pop-up, the topmost first, after closing any message
box of the client with Enter, as a user would). Figures: calls the protocol could deliver
(a copy of the PINCOMING left the simulator) and calls shown, decisions sent
and acted on by the server (and resent copies it only acknowledged),
decision to SUCCESS (from the decision's first copy arriving at the server
to the first copy of the server's answer leaving it), resends per decision,
and what the client reported (receive errors, login changes; for the
windowed client the message boxes closed, and the screen and windows of any
pop-up that outlived its clicks, kept in the work folder as stuck-<call>.*).

flood: the logged-in server sends R datagrams a second for T seconds (valid
calls, then garbage of every kind: short, unknown letters, oversize, empty),
then a foreign sender (another port) the same; then a real call. Figures:
crashes, the client's memory (VmRSS) before and after, answers to the
foreign sender, pop-ups, and whether the real call was shown and answered.

--short: the quick version that ctest runs (fewer calls, shorter floods,
shorter resend times, checks instead of a long report). Exit code 0 when
every check held, 1 when one failed, 2 for a setup problem.

Programs: --build DIR holds them (native: tools/nuvcli/nuvcli and
tools/nuvsim/nuvsim; win: nuvmain.exe, nuvdrive.exe and
tools/nuvsim/nuvsim.exe); default build/native or build/win64. --sim PATH
takes another nuvsim (e.g. the native one beside a Windows client). The
windowed client runs on a private Xvfb display and Wine prefix
(tests/doubles/e2e_lib.sh, through tests/soak/wine_env.sh).
"""

import argparse
import os
import queue
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE_RUN = os.path.join(ROOT, 'scripts', 'wine-run.sh')
USERID = '(204) 555-3636'
PASSWORD = 'secret1'


class SetupError(Exception):
    pass


# --------------------------------------------------------------------------
# Programs with their output read line by line.

class Program:
    """A child process whose standard output is collected as (time, line)."""

    def __init__(self, name, argv, cwd, stdin=True, env=None):
        self.name = name
        self.lines = []
        self.queue = queue.Queue()
        self.proc = subprocess.Popen(argv, cwd=cwd, stdin=subprocess.PIPE if stdin else subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=open(os.path.join(cwd, name + '.err'), 'wb'),
                                     env=env, start_new_session=True)
        self.log = open(os.path.join(cwd, name + '.out'), 'w', encoding='latin-1')
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        for raw in self.proc.stdout:
            line = raw.decode('latin-1').rstrip('\r\n')
            item = (time.monotonic(), line)
            self.lines.append(item)
            self.queue.put(item)
            self.log.write(line + '\n')
        self.log.flush()
        self.queue.put(None)

    def send(self, text):
        try:
            self.proc.stdin.write((text + '\n').encode())
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError, ValueError):
            pass

    def running(self):
        return self.proc.poll() is None

    def wait_line(self, pattern, timeout, start=0):
        """Index of the first line from `start` matching pattern, or -1."""
        rx = re.compile(pattern)
        deadline = time.monotonic() + timeout
        i = start
        while True:
            while i < len(self.lines):
                if rx.search(self.lines[i][1]):
                    return i
                i += 1
            if time.monotonic() >= deadline or (not self.running() and i >= len(self.lines)):
                return -1
            time.sleep(0.02)

    def stop(self, quit_line=None, timeout=20):
        if quit_line is not None and self.running():
            self.send(quit_line)
        deadline = time.monotonic() + timeout
        while self.running() and time.monotonic() < deadline:
            time.sleep(0.05)
        if self.running():
            try:
                os.killpg(self.proc.pid, signal.SIGTERM)
            except OSError:
                pass
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
        self.thread.join(5)
        return self.proc.returncode


def runner(path):
    return [WINE_RUN, path] if path.endswith('.exe') else [path]


def vm_rss_kb(pid):
    try:
        with open(f'/proc/{pid}/status') as f:
            for line in f:
                if line.startswith('VmRSS:'):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def descendants(pid):
    """The process and all its descendants (wine-run.sh starts the Wine process as a child)."""
    children = {}
    for p in filter(str.isdigit, os.listdir('/proc')):
        try:
            with open(f'/proc/{p}/stat') as f:
                stat = f.read()
            ppid = int(stat[stat.rindex(')') + 2:].split()[1])
            children.setdefault(ppid, []).append(int(p))
        except (OSError, ValueError):
            pass
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        out.append(p)
        todo.extend(children.get(p, []))
    return out


def client_rss_kb(program, exe_name):
    """VmRSS of the process running exe_name below program (itself when native)."""
    best = None
    for p in descendants(program.proc.pid):
        try:
            with open(f'/proc/{p}/cmdline', 'rb') as f:
                cmd = f.read()
        except OSError:
            continue
        if exe_name.encode() in cmd and b'wine-run' not in cmd and b'bash' not in cmd.split(b'\0')[0]:
            rss = vm_rss_kb(p)
            if rss is not None and (best is None or rss > best):
                best = rss
    return best


# --------------------------------------------------------------------------
# The simulator and its record.

RECORD = re.compile(r'^\s*(\d+)\.(\d{3}) #(\d+) S(\d+) (IN |OUT) ([\d.]+):(\d+) (?:->|<-) :(\d+) (.*)$')
DECODED = re.compile(r'^v=\S* user=\S* seq=(\S*) (\S+) (\S+) size=\S+ "((?:[^"\\]|\\.)*)"(.*)$')
TAIL_FATE = re.compile(r' \[([a-z ]+)\]')
TAIL_NOTE = re.compile(r' \(([^()]*)\)$')


class Rec:
    __slots__ = ('ms', 'index', 'dir', 'port', 'local', 'seq', 'cmd', 'payload', 'fate', 'note')


def parse_record(line):
    m = RECORD.match(line)
    if not m:
        return None
    r = Rec()
    r.ms = int(m.group(1)) * 1000 + int(m.group(2))
    r.index = int(m.group(3))
    r.dir = m.group(5).strip()
    r.port = int(m.group(7))
    r.local = int(m.group(8))
    rest = m.group(9)
    d = DECODED.match(rest)
    r.seq = r.cmd = r.payload = None
    tail = rest
    if d:
        r.seq, r.cmd, r.payload, tail = d.group(1), d.group(2), d.group(4), d.group(5)
    f = TAIL_FATE.search(tail)
    r.fate = f.group(1) if f else ''
    n = TAIL_NOTE.search(tail)
    r.note = n.group(1) if n else ''
    return r


class Sim:
    def __init__(self, path, work, seed):
        self.path = path
        self.work = work
        for _ in range(5):
            self.port = random.randint(20000, 60000)
            self.prog = Program('sim', runner(path) + ['--listen', f'127.0.0.1:{self.port}', '--seed', str(seed)],
                                work)
            i = self.prog.wait_line(r'MAP server on|cannot open', 120)
            if i >= 0 and 'MAP server on' in self.prog.lines[i][1]:
                return
            self.prog.stop('quit', 5)
        raise SetupError('nuvsim did not start')

    def command(self, text, timeout=20):
        """Sends a control line; returns its answer (the line after '> ')."""
        start = len(self.prog.lines)
        self.prog.send(text)
        i = self.prog.wait_line(r'^> ', timeout, start)
        return self.prog.lines[i][1][2:] if i >= 0 else None

    def stats(self):
        answer = self.command('stats') or ''
        return dict(kv.split('=', 1) for kv in answer.split() if '=' in kv)

    def last_call_copy(self, cids):
        """When (monotonic) the latest copy of a call of cids left the server, or None."""
        latest = None
        for t, line in list(self.prog.lines):
            r = parse_record(line)
            if r and r.cmd == 'j' and r.dir == 'OUT' and call_of(r.payload) in cids:
                latest = t
        return latest

    def records(self):
        out = []
        for _, line in list(self.prog.lines):
            r = parse_record(line)
            if r:
                out.append(r)
        return out


def ours(cid):
    """Calls of the run (not of a flood) have identifiers 20000 to 29999."""
    return cid is not None and cid.isdigit() and 20000 <= int(cid) < 30000


def call_of(payload):
    return payload.split(':', 1)[0] if payload is not None else None


# --------------------------------------------------------------------------
# Clients.

def write_ini(work, sim_port, extra=()):
    lines = ['[PARAMS]', f'USERID={USERID}', f'PASSWORD={PASSWORD}', 'RAS=0', 'SERVICE=1', 'SOUND=0',
             'NUMBER1=(204) 555-7777', 'SERVERLIST=0:1', f'SERVER0=127.0.0.1/{sim_port}'] + list(extra)
    with open(os.path.join(work, 'NUV.INI'), 'w', newline='') as f:
        f.write('\r\n'.join(lines) + '\r\n')


CLI_DECISIONS = ['answer {s} {c}', 'ack {s} {c}', 'ignore {s} {c}', 'willcall {s} {c}', 'transfer {s} {c} 2045557777']


class CliClient:
    exe_name = 'nuvcli'

    def __init__(self, path, work):
        self.prog = Program('client', runner(path), work)
        self.read = 0
        self.shown = {}       # callId -> times shown
        self.decided = set()
        self.turn = 0

    def logged_in(self, timeout):
        return self.prog.wait_line(r'^LOGIN\t1$', timeout) >= 0

    def poll(self):
        """Handles new output: decides each call the first time it is shown."""
        lines = self.prog.lines
        while self.read < len(lines):
            line = lines[self.read][1]
            self.read += 1
            f = line.split('\t')
            if f[0] == 'CALL' and len(f) >= 4:
                cid = call_of(f[3])
                self.shown[cid] = self.shown.get(cid, 0) + 1
                if cid not in self.decided and ours(cid):
                    self.decided.add(cid)
                    self.prog.send(CLI_DECISIONS[self.turn % len(CLI_DECISIONS)].format(s=f[2], c=cid))
                    self.turn += 1

    def count(self, prefix):
        return sum(1 for _, l in self.prog.lines if l.startswith(prefix))

    def popups(self):
        return None

    def rss(self):
        return vm_rss_kb(self.prog.proc.pid)

    def stop(self):
        return self.prog.stop('quit', 20)

    def crashed(self):
        rc = self.prog.proc.poll()
        return rc is not None and rc != 0


# The pop-up's buttons (client coordinates of the full pop-up): Answer,
# Acknowledge, Ignore, and Transfer (one number configured: sent at once).
WIN_BUTTONS = [(38, 159), (164, 159), (227, 159), (101, 159)]


class WinClient:
    exe_name = 'nuvmain.exe'

    def __init__(self, build, work):
        env = dict(os.environ)
        self.work = work
        self.stuck_calls = []
        self.prog = Program('client', [WINE_RUN, os.path.join(build, 'nuvmain.exe')], work, stdin=False, env=env)
        self.drive_prog = Program('drive', [WINE_RUN, os.path.join(build, 'nuvdrive.exe')], work)
        if not self.drive_cmd('echo ready', 120).startswith('ok'):
            raise SetupError('nuvdrive does not answer')
        self.shown = {}
        self.decided = set()
        self.handled = set()  # pop-up windows decided (or not of the run)
        self.seen = set()     # pop-up windows counted as shown
        self.button = {}      # callId -> index into WIN_BUTTONS
        self.boxes = {}       # message boxes dismissed, by caption
        self.boxes_seen = set()
        self.boxes_left = []  # boxes that did not close
        self.close_boxes = False
        self.turn = 0
        self.max_popups = 0
        self.last_list = 0.0

    def drive_cmd(self, text, timeout=60):
        start = len(self.drive_prog.lines)
        self.drive_prog.send(text)
        i = self.drive_prog.wait_line(r'^(ok|timeout|err)', timeout, start)
        return self.drive_prog.lines[i][1] if i >= 0 else 'err no answer'

    def logged_in(self, timeout):
        return self.drive_cmd(f'waitvisible NUV "NUV: Monitoring*" {int(timeout * 1000)}', timeout + 30).startswith('ok')

    def list_popups(self):
        """Visible pop-ups, topmost first: (left, top, hwnd, number). The number
        is the last four digits of the caller's number, 'untitled' while the
        pop-up still has the caption it is created with (its caller's number
        comes right after), or None for a caption of another form."""
        reply = self.drive_cmd('list PopupClass *')
        out = []
        for part in reply.split('|')[1:]:
            w = part.split()
            m = re.search(r'"\(204\) 555-(\d{4}) Calling"', part)
            if len(w) >= 6 and w[5] == 'visible':
                num = m.group(1).lstrip('0') or '0' if m else 'untitled' if '"NUV Popup"' in part else None
                out.append((int(w[1]), int(w[2]), w[0], num))
        return out

    def dismiss_boxes(self):
        """Closes the client's message boxes as a user would (the box to the
        front, then Enter), counting them by caption. Under Wine without a
        window manager a box can be drawn over the pop-ups' buttons."""
        reply = self.drive_cmd('list #32770 *')
        for part in reply.split('|')[1:]:
            w = part.split()
            m = re.search(r'"([^"]*)"\s*$', part)
            if len(w) < 6 or w[5] != 'visible' or w[0] in self.boxes_seen:
                continue
            self.boxes_seen.add(w[0])
            caption = m.group(1) if m else ''
            self.boxes[caption] = self.boxes.get(caption, 0) + 1
            for _ in range(3):
                self.drive_cmd(f'activate {w[0]}')
                self.drive_cmd('key RETURN')
                if self.drive_cmd(f'waitgone {w[0]} 2000', 20).startswith('ok'):
                    break
            else:
                self.boxes_left.append(caption)

    def poll(self):
        now = time.monotonic()
        if now - self.last_list < 0.25:
            return
        self.last_list = now
        if self.close_boxes:
            self.dismiss_boxes()
        pops = self.list_popups()
        self.max_popups = max(self.max_popups, len(pops))
        # The topmost pop-up first (the list is in z-order), as a user would:
        # the one drawn over the others. A pop-up without its caller's number
        # in its caption yet is looked at again at the next poll.
        for left, top, hwnd, num in pops:
            if hwnd in self.handled:
                continue
            if num == 'untitled':
                break
            cid = str(int(num) + 20000) if num is not None else None  # 204555NNNN: call 2NNNN
            if hwnd not in self.seen:
                self.seen.add(hwnd)
                self.shown[cid] = self.shown.get(cid, 0) + 1
            if not ours(cid) or cid in self.decided:
                self.handled.add(hwnd)
                continue
            if cid not in self.button:
                self.button[cid] = self.turn % len(WIN_BUTTONS)
                self.turn += 1
            x, y = WIN_BUTTONS[self.button[cid]]
            outcome = self.click_popup(hwnd, left + x, top + y)
            if outcome != 'covered':
                self.decided.add(cid)
                self.handled.add(hwnd)
            if outcome == 'stuck':
                self.stuck(cid, hwnd, left + x, top + y)
            break  # the others may have moved to the top: look again

    def click_popup(self, hwnd, x, y):
        """Clicks a button of the pop-up while it is the topmost one: 'gone'
        when the pop-up closed, 'stuck' when it outlived two clicks, 'covered'
        when another pop-up came over it first (a new call's, in a lower slot:
        its bottom edge lies over the button row of the pop-up below)."""
        for _ in range(2):
            pops = self.list_popups()
            if hwnd not in [p[2] for p in pops]:
                return 'gone'
            if pops[0][2] != hwnd:
                return 'covered'
            self.drive_cmd(f'click {x} {y}')
            # Two clicks on one spot in quick succession would be a double click.
            self.drive_cmd('sleep 650')
            if self.drive_cmd(f'waitgone {hwnd} 3000', 20).startswith('ok'):
                return 'gone'
        return 'stuck'

    def stuck(self, cid, hwnd, x, y):
        """A pop-up that outlived its clicks: the screen and the windows, kept in the work folder."""
        self.stuck_calls.append(cid)
        base = os.path.join(self.work, f'stuck-{cid}')
        self.drive_cmd(f'capture {base}.bmp')
        with open(base + '.txt', 'w') as f:
            f.write(f'pop-up {hwnd} of call {cid}, clicked at {x} {y}\n')
            f.write(self.drive_cmd('list * *') + '\n')
            f.write(self.drive_cmd('foreground') + '\n')
        if os.path.exists(base + '.bmp') and shutil.which('convert'):
            if subprocess.call(['convert', base + '.bmp', base + '.png']) == 0:
                os.remove(base + '.bmp')

    def count(self, prefix):
        return None

    def popups(self):
        return self.max_popups

    def rss(self):
        return client_rss_kb(self.prog, 'nuvmain.exe')

    def stop(self):
        self.drive_cmd('post NUV "NUV: Monitoring*" WM_COMMAND 6005')
        rc = self.prog.stop(None, 30)
        self.drive_prog.stop('quit', 10)
        return rc

    def crashed(self):
        rc = self.prog.proc.poll()
        return rc is not None and rc != 0


# --------------------------------------------------------------------------
# Loss.

def caller_number(cid):
    return '204555%04d' % (int(cid) % 10000)


def loss_figures(records, calls):
    """Per-call figures from the simulator's record."""
    sent_call = {c: False for c in calls}
    delivered_call = {c: False for c in calls}
    dec_in = {}        # callId -> [records of its decisions coming in]
    answers = {}       # callId -> seq of the server's answer
    answer_out = {}    # seq -> [records]
    logins = []        # times of the client's LOGINs reaching the server
    for r in records:
        if r.dir == 'IN' and r.cmd == 'a' and r.fate != 'dropped':
            logins.append(r.ms)
        if r.cmd == 'j' and r.dir == 'OUT':
            c = call_of(r.payload)
            if c in sent_call:
                sent_call[c] = True
                if r.fate not in ('dropped', 'silenced', 'send failed'):
                    delivered_call[c] = True
        elif r.dir == 'IN' and r.cmd in ('e', 'd', 'c', 'r'):
            c = call_of(r.payload)
            if c in sent_call:
                dec_in.setdefault(c, []).append(r)
        elif r.dir == 'OUT' and r.cmd in ('h', 'i'):
            if r.note.startswith('decision '):
                c = r.note.split()[1]
                if c in sent_call and c not in answers:
                    answers[c] = r.seq
            answer_out.setdefault(r.seq, []).append(r)
    out = {'sent': sum(sent_call.values()), 'deliverable': sum(delivered_call.values()),
           'deliverable_ids': {c for c, v in delivered_call.items() if v}}
    decided = acted = acted_twice = across_login = 0
    client_twice = []
    transmissions = []
    times = []
    lost_decisions = []
    no_success = []
    for c, recs in dec_in.items():
        decided += 1
        client_copies = [r for r in recs if r.fate != 'duplicate']
        transmissions.append(len(client_copies))
        acts = [r for r in recs if r.fate != 'dropped' and r.note != 'repeat']
        if acts:
            acted += 1
        else:
            lost_decisions.append(c)
        if len(acts) > 1:
            # A copy the network held back until after the client's next
            # LOGIN: the client's sequences start anew at each LOGIN, so the
            # server takes the late copy for a new decision. The client sent
            # one decision; the protocol cannot tell the copy from a new one.
            if any(acts[0].ms < t <= acts[1].ms for t in logins):
                across_login += 1
            else:
                acted_twice += 1
        # Packets the client made for the call (a resend repeats one exactly).
        if len({(r.seq, r.cmd, r.payload) for r in client_copies}) > 1:
            client_twice.append(c)
        first = min(r.ms for r in recs)
        seq = answers.get(c)
        got = None
        if seq is not None:
            act_ms = acts[0].ms if acts else first
            arrived = [r.ms for r in answer_out.get(seq, [])
                       if r.fate not in ('dropped', 'silenced', 'send failed') and r.ms >= act_ms]
            if arrived:
                got = min(arrived)
        if got is None:
            if acts:
                no_success.append(c)
        else:
            times.append(got - first)
    out.update(decided=decided, acted=acted, acted_twice=acted_twice, across_login=across_login,
               client_twice=sorted(client_twice, key=int), transmissions=transmissions,
               times=times, lost_decisions=sorted(lost_decisions, key=int), no_success=sorted(no_success, key=int))
    return out


def start_client(args, work, sim, extra_ini=()):
    write_ini(work, sim.port, extra_ini)
    if args.client == 'cli':
        return CliClient(os.path.join(args.build, 'tools', 'nuvcli', 'nuvcli'), work)
    return WinClient(args.build, work)


def run_loss(args, work):
    calls = args.calls or (10 if args.short else (200 if args.client == 'cli' else 50))
    # A call every two seconds: far more than a household line gets, and still
    # within what 15 slots of unacknowledged packets carry under this loss.
    # The windowed client shows three calls at once; a driver's click takes
    # about a second under Wine.
    interval = args.interval or (2.0 if not args.short else 0.5 if args.client == 'cli' else 1.5)
    sim = Sim(args.sim, work, args.seed)
    for line in ('fault drop 30', 'fault dup 10', 'fault reorder 10', 'fault delayms 2000', 'fault dir both'):
        sim.command(line)
    extra = []
    if args.short:
        # Quicker resends on both sides, the same protocol.
        sim.command('retry 5 5')
        extra = ['PACKETTIMEOUT=5']
    client = start_client(args, work, sim, extra)
    if args.client == 'win':
        client.close_boxes = True
    t0 = time.monotonic()
    if not client.logged_in(150):
        sim.prog.stop('quit', 5)
        client.stop()
        raise SetupError('the client did not log in under loss')
    login_s = time.monotonic() - t0
    ids = [str(20001 + i) for i in range(calls)]
    next_at = time.monotonic()
    k = 0
    while k < len(ids):
        client.poll()
        if time.monotonic() >= next_at:
            cid = ids[k]
            sim.prog.send(f'call {cid} "Caller {cid}" {caller_number(cid)}')
            k += 1
            next_at += interval
        time.sleep(0.02)
    # Until every call the protocol delivered was shown and decided, the
    # server's answers had their resends, and no call still unshown had a copy
    # leave the server for longer than its resend interval (it resends an
    # unacknowledged call up to five times), or the time is up.
    drain = 25 if args.short else 70
    quiet = (5 if args.short else 10) + 3
    deadline = time.monotonic() + drain
    while time.monotonic() < deadline:
        client.poll()
        time.sleep(0.05)
        f = loss_figures(sim.records(), ids)
        unshown = set(ids) - set(client.shown)
        last_copy = sim.last_call_copy(unshown)
        if f['deliverable_ids'] <= set(client.shown) and not f['no_success'] and \
                time.monotonic() > deadline - drain + 12 and \
                (last_copy is None or time.monotonic() - last_copy > quiet):
            break
    stats = sim.stats()
    rss = client.rss()
    crashed = client.crashed()
    rc = client.stop()
    sim.prog.stop('quit', 10)
    f = loss_figures(sim.records(), ids)
    shown = {c for c in client.shown if c in set(ids)}
    shown_twice = [c for c, n in client.shown.items() if n > 1]
    tr = f['transmissions']
    resends = [n - 1 for n in tr]
    times = f['times']

    print(f'loss run: {args.client} client, {calls} calls every {interval:g} s, seed {args.seed}, '
          f'faults drop 30 % dup 10 % reorder 10 % (2 s) both ways')
    print(f'  login after {login_s:.1f} s')
    print(f'  calls sent by the server: {f["sent"]}, deliverable (a copy left the server): {f["deliverable"]}, '
          f'shown: {len(shown)}, shown twice: {len(shown_twice)}')
    print(f'  decisions sent: {f["decided"]}, acted on by the server: {f["acted"]} '
          f'(exactly once: {f["acted"] - f["acted_twice"] - f["across_login"]}, twice: {f["acted_twice"]}, '
          f'twice through a copy delayed past a new LOGIN: {f["across_login"]}), '
          f'lost with every copy: {len(f["lost_decisions"])} {f["lost_decisions"][:20]}')
    print(f'  calls the client decided twice (two packets, not a resend): {len(f["client_twice"])}')
    print(f'  server stats: {" ".join(f"{k}={v}" for k, v in stats.items())}')
    if times:
        print(f'  decision to SUCCESS: {len(times)} answered, mean {sum(times) / len(times) / 1000:.2f} s, '
              f'worst {max(times) / 1000:.2f} s, median {sorted(times)[len(times) // 2] / 1000:.2f} s')
    print(f'  acted on without a SUCCESS reaching the client: {len(f["no_success"])} {f["no_success"][:20]}')
    if resends:
        hist = {}
        for n in resends:
            hist[n] = hist.get(n, 0) + 1
        print(f'  resends per decision: mean {sum(resends) / len(resends):.2f}, worst {max(resends)}, '
              f'spread {dict(sorted(hist.items()))}')
    if args.client == 'cli':
        errors = {}
        for _, l in client.prog.lines:
            if l.startswith('ERROR\t'):
                errors[l[6:]] = errors.get(l[6:], 0) + 1
        print(f'  client: receive errors {errors or "none"}, '
              f'logins {client.count("LOGIN" + chr(9) + "1")}, logouts {client.count("LOGIN" + chr(9) + "0")}')
    else:
        print(f'  client: most pop-ups open at once {client.max_popups}; pop-ups that outlived their clicks: '
              f'{len(client.stuck_calls)} {client.stuck_calls[:20]}')
        print(f'  message boxes dismissed by the driver: {sum(client.boxes.values())} '
              f'{client.boxes or ""}{"; not closed: " + str(client.boxes_left) if client.boxes_left else ""}')
    print(f'  client memory at the end: {rss} kB VmRSS; exit code {rc}')
    print(f'  work folder: {work}')

    problems = []
    if crashed or rc not in (0, None) and args.client == 'cli':
        problems.append(f'the client ended with {rc}')
    missing = sorted(f['deliverable_ids'] - shown, key=int)
    if missing:
        problems.append(f'calls the protocol delivered but the client did not show: {missing}')
    if shown_twice:
        problems.append(f'calls shown more than once: {shown_twice}')
    if f['client_twice']:
        problems.append(f'calls decided twice by the client (two packets): {f["client_twice"]}')
    if f['acted_twice']:
        problems.append(f'{f["acted_twice"]} decisions acted on twice by the server')
    if args.client == 'win':
        if client.stuck_calls:
            problems.append(f'pop-ups still open after two clicks on a button (screens in the work folder): '
                            f'{client.stuck_calls}')
        if client.boxes_left:
            problems.append(f'message boxes that Enter did not close: {client.boxes_left}')
    undecided = sorted(shown - {c for c in ids if c in loss_decided(client)}, key=int)
    if undecided:
        problems.append(f'calls shown but not decided by the driver: {undecided}')
    return problems


def loss_decided(client):
    return client.decided


# --------------------------------------------------------------------------
# Floods.

def run_flood(args, work):
    rate = args.rate or (2000 if args.short else 10000)
    seconds = args.seconds or (2 if args.short else 10)
    count = rate * seconds
    sim = Sim(args.sim, work, args.seed)
    client = start_client(args, work, sim)
    if not client.logged_in(150):
        sim.prog.stop('quit', 5)
        client.stop()
        raise SetupError('the client did not log in')
    time.sleep(1.0)
    rss_before = client.rss()
    phases = [('calls', ''), ('mixed', ''), ('empty', ''), ('calls', 'foreign'), ('mixed', 'foreign'),
              ('empty', 'foreign')]
    report = []
    max_rss = rss_before or 0
    for kind, where in phases:
        t0 = time.monotonic()
        answer = sim.command(f'flood {kind} {count} {rate} {where}'.strip())
        if answer is None or not answer.startswith('flood of'):
            raise SetupError(f'nuvsim refused the flood: {answer}')
        # The flood runs for `seconds`; the client is watched meanwhile.
        while time.monotonic() - t0 < seconds + 0.5:
            client.poll()
            r = client.rss()
            if r:
                max_rss = max(max_rss, r)
            time.sleep(0.1)
        # Until the client's output has been quiet for a second (bounded).
        settle = time.monotonic() + (10 if args.short else 60)
        seen = -1
        while time.monotonic() < settle and seen != len(client.prog.lines):
            seen = len(client.prog.lines)
            client.poll()
            time.sleep(1.0)
        st = sim.stats()
        report.append((kind + (' foreign' if where else ''), time.monotonic() - t0, st.get('flood'),
                       st.get('second-port-in'), client.rss(), client.prog.running()))
        if not client.prog.running():
            break
    # Let flood pop-ups run out (20 s count-down) before the real call in the
    # windowed client; the console has no slots.
    if args.client == 'win':
        deadline = time.monotonic() + 40
        while time.monotonic() < deadline and client.list_popups():
            time.sleep(1)
    rss_after = client.rss()
    real = '20001'
    sim.prog.send(f'call {real} "Real Caller" {caller_number(real)}')
    deadline = time.monotonic() + 30
    answered = False
    while time.monotonic() < deadline and client.prog.running():
        client.poll()
        if real in client.decided:
            f = loss_figures(sim.records(), [real])
            if f['acted']:
                answered = True
                break
        time.sleep(0.1)
    stats = sim.stats()
    alive = client.prog.running()
    crashed = client.crashed()
    rc = client.stop()
    sim.prog.stop('quit', 10)

    print(f'flood run: {args.client} client, {rate} datagrams a second for {seconds} s per phase')
    for name, took, sent, foreign_in, rss, running in report:
        print(f'  {name:15s} sent so far {sent}, answers to the foreign sender so far {foreign_in}, '
              f'client VmRSS {rss} kB, running {running}, phase took {took:.1f} s')
    print(f'  client memory: before {rss_before} kB, highest {max_rss} kB, after {rss_after} kB')
    print(f'  answers to the foreign sender: {stats.get("second-port-in")}')
    pops = client.popups()
    if pops is not None:
        print(f'  most pop-ups open at once: {pops}')
    else:
        print(f'  calls shown by the console: {sum(client.shown.values())} '
              f'(it has no pop-up slots: every call is a line); receive errors '
              f'{client.count("ERROR")}')
    print(f'  the real call after the floods: shown {real in client.shown}, answered {answered}')
    print(f'  client alive at the end: {alive}; exit code {rc}')
    print(f'  work folder: {work}')

    problems = []
    if not alive or crashed:
        problems.append(f'the client did not survive the floods (exit code {rc})')
    if stats.get('second-port-in', '0') != '0':
        problems.append(f'the client answered the foreign sender {stats.get("second-port-in")} times')
    if pops is not None and pops > 3:
        problems.append(f'{pops} pop-ups open at once')
    if not answered:
        problems.append('the real call after the floods was not answered')
    if rss_before and rss_after and rss_after > rss_before * 1.5 + 4096:
        problems.append(f'memory grew from {rss_before} kB to {rss_after} kB')
    return problems


# --------------------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('run', choices=['loss', 'flood'])
    ap.add_argument('--client', choices=['cli', 'win'], default='cli')
    ap.add_argument('--build')
    ap.add_argument('--sim')
    ap.add_argument('--calls', type=int)
    ap.add_argument('--interval', type=float)
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--rate', type=int)
    ap.add_argument('--seconds', type=int)
    ap.add_argument('--short', action='store_true')
    ap.add_argument('--keep', action='store_true', help='keep the work folder')
    ap.add_argument('--inside', action='store_true', help=argparse.SUPPRESS)
    args = ap.parse_args()
    if not args.build:
        args.build = os.path.join(ROOT, 'build', 'native' if args.client == 'cli' else 'win64')
    args.build = os.path.abspath(args.build)
    if not args.sim:
        args.sim = os.path.join(args.build, 'tools', 'nuvsim', 'nuvsim' + ('.exe' if args.client == 'win' else ''))
    args.sim = os.path.abspath(args.sim)

    if args.client == 'win' and not args.inside:
        # A private display and Wine prefix around the whole run.
        argv = ['bash', os.path.join(ROOT, 'tests', 'soak', 'wine_env.sh'), args.build,
                sys.executable, os.path.abspath(__file__)] + sys.argv[1:] + \
               ['--build', args.build, '--sim', args.sim, '--inside']
        return subprocess.call(argv)

    for path in [args.sim] + ([os.path.join(args.build, 'tools', 'nuvcli', 'nuvcli')] if args.client == 'cli'
                              else [os.path.join(args.build, n) for n in ('nuvmain.exe', 'nuvdrive.exe')]):
        if not os.path.exists(path):
            print(f'soak: no {path} (build it first)', file=sys.stderr)
            return 2
    work = os.environ.get('E2E_WORK') if args.inside else None
    own_work = work is None
    if own_work:
        work = tempfile.mkdtemp(prefix=f'nuv-soak-{args.run}.')
    try:
        problems = (run_loss if args.run == 'loss' else run_flood)(args, work)
    except SetupError as e:
        print(f'soak: {e} (work folder {work})', file=sys.stderr)
        return 2
    if problems:
        for p in problems:
            print('FAILED: ' + p)
        return 1
    print('all checks held')
    if own_work and not args.keep:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == '__main__':
    sys.exit(main())
