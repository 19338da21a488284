#!/usr/bin/env python3
"""Long runs: the client's memory and handles over many calls and server
switches, against the server simulator.

    scripts/longrun.py nuvcli  [--minutes N] [--calls N] [--switches N] [--check]
    scripts/longrun.py nuvmain [--calls N] [--check]

nuvcli: the console client against nuvsim with two MAP servers and a
Redirect server. One call every --call-every seconds, each taken through a
decision (answer, transfer, acknowledge, ignore, will call back), a server's
end of the call or no decision at all, a server message now and then; every
--switch-every seconds the servers the client is logged in to go silent, so
that it loses them and moves on: from the first stored server to the second
(one server at a time), then by the fallback to the Redirect server, which
hands over the two MAP servers (all at once); from then on always by the
Redirect server. Resident memory (VmRSS) and open file descriptors of the
client are sampled each --sample seconds and after each switch.

nuvmain: the windowed client under Wine on a private display, against the
Windows build's nuvsim, in rounds of ten calls: three pop-ups at once that
nobody answers (missed after twenty seconds), then one at a time answered,
transferred, acknowledged, ignored, ended by the server, answered and
acknowledged, each by a click on its button. Beside the Linux process's
resident memory and descriptors, tests/doubles/nuvobserve.exe reports what
a task manager would show: the process's handles (GetProcessHandleCount,
and its entries in the system's handle list), GDI and USER objects
(GetGuiResources; Wine does not implement it, so "None"), the live entries
of its GDI handle table, its windows (top-level, child and message-only)
and its private bytes. Samples every --sample-calls calls.

--minutes (nuvcli only) ends the run by time, --calls by the number of
calls (whichever comes first when both are given). Figures are printed as a table: the
warm-up sample (after the first minute, or after the first fifth of the
calls, at least one switch done), every sample in between and the last one.

--check (the short runs of the test suite): exit 1 unless every call went
round, the client ended cleanly (for nuvcli: no sanitizer report), its
descriptors (nuvcli) or its handles, windows and GDI objects (nuvmain, each
figure that is reported) at the end equal those at the warm-up, and its
resident memory grew by less than --rss-slack KiB. Counts are the fewest of
a few looks, so that a file open for a moment is not taken for a leak. No
check looks at a clock: every wait has a generous time-out, and only a
time-out fails.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TAB = '\t'


def log(text):
    print(text, flush=True)


class Failure(Exception):
    pass


class Lines:
    """The lines a child process writes, collected by a thread, with waits."""

    def __init__(self, stream, echo_file=None):
        self.lines = []
        self.cond = threading.Condition()
        self.ended = False
        self.echo = echo_file
        self.thread = threading.Thread(target=self._read, args=(stream,), daemon=True)
        self.thread.start()

    def _read(self, stream):
        for raw in iter(stream.readline, b''):
            line = raw.decode('latin-1').rstrip('\r\n')
            if self.echo:
                self.echo.write(line + '\n')
            with self.cond:
                self.lines.append(line)
                self.cond.notify_all()
        with self.cond:
            self.ended = True
            self.cond.notify_all()

    def count(self):
        with self.cond:
            return len(self.lines)

    def wait(self, pattern, start, timeout):
        """The first line from index start on that matches, and its index."""
        rx = re.compile(pattern)
        deadline = time.monotonic() + timeout
        i = start
        with self.cond:
            while True:
                while i < len(self.lines):
                    m = rx.search(self.lines[i])
                    if m:
                        return m, i
                    i += 1
                left = deadline - time.monotonic()
                if left <= 0 or self.ended:
                    return None, i
                self.cond.wait(min(left, 0.5))

    def grep(self, pattern, start=0):
        rx = re.compile(pattern)
        with self.cond:
            return [l for l in self.lines[start:] if rx.search(l)]


def proc_figures(pid):
    """VmRSS in KiB and the number of open descriptors of a Linux process."""
    rss = None
    try:
        with open(f'/proc/{pid}/status') as f:
            for line in f:
                if line.startswith('VmRSS:'):
                    rss = int(line.split()[1])
        fds = len(os.listdir(f'/proc/{pid}/fd'))
    except (OSError, ValueError):
        return None
    return {'rss': rss, 'fds': fds}


def settled_figures(pid, looks=10):
    """proc_figures with the fewest descriptors of a few looks 20 ms apart:
    a file the client has open for a moment (its settings being saved) is not
    counted, a descriptor it keeps is."""
    best = None
    for n in range(looks):
        f = proc_figures(pid)
        if f is None:
            return best
        if best is None or f['fds'] < best['fds']:
            best = f
        if n + 1 < looks:
            time.sleep(0.02)
    return best


def stop_process(proc, timeout=10):
    if proc is None or proc.poll() is not None:
        return
    try:
        proc.stdin.close()
    except (OSError, AttributeError):
        pass
    try:
        proc.wait(timeout)
        return
    except subprocess.TimeoutExpired:
        pass
    proc.terminate()
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


class Sim:
    """nuvsim with two MAP servers (S0, S1) and a Redirect server (S2)."""

    def __init__(self, command, workdir, env=None, start_wait=30):
        self.out = open(os.path.join(workdir, 'sim.log'), 'w')
        self.proc = subprocess.Popen(
            command + ['--listen', '127.0.0.1:0,map', '--listen', '127.0.0.1:0,map',
                       '--listen', '127.0.0.1:0,redirect'],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            cwd=workdir, env=env)
        self.lines = Lines(self.proc.stdout, self.out)
        self.ports = {}
        for s in range(3):
            m, _ = self.lines.wait(rf'S{s} \w+ server on 127\.0\.0\.1:(\d+)', 0, start_wait)
            if not m:
                raise Failure('nuvsim did not start')
            self.ports[s] = int(m.group(1))
        self.send('@2 redirectpush on')

    def send(self, line):
        self.proc.stdin.write((line + '\n').encode())
        self.proc.stdin.flush()

    def stop(self):
        if self.proc.poll() is None:
            try:
                self.send('quit')
            except OSError:
                pass
        stop_process(self.proc)
        self.out.close()


def write_ini(workdir, ports, service=None):
    """The stored list names S0 and S1 one at a time; the Redirect server is
    S2. Short keep-alive and time-outs, so that a silent server is lost within
    seconds; the log-in retry (30 s) outlasts the switch and the fallback.
    The servers shorten the keep-alive of each new login (TIME_PUSH)."""
    keys = [
        ('SERVERLIST', '1:2'),
        ('SERVER0', f'127.0.0.1/{ports[0]}'),
        ('SERVER1', f'127.0.0.1/{ports[1]}'),
        ('REDIRECTADDR', '127.0.0.1'),
        ('REDIRECTPORT', str(ports[2])),
        ('OBXSWITCH', '2'),
        ('OBXFALLBACK', '4'),
        ('OBXLOGINVALID', '30'),
        ('RAS', '0'),
    ]
    if service is not None:
        keys.append(('SERVICE', str(service)))
    with open(os.path.join(workdir, 'NUV.INI'), 'w', newline='') as f:
        f.write('[PARAMS]\r\n')
        for k, v in keys:
            f.write(f'{k}={v}\r\n')


# Time-out 3 s, one resend, keep-alive every 2 s: a silent server is lost
# after 7 s (the stored settings allow no keep-alive under 5 s).
TIME_PUSH = 'config time 3:1:2'
SUCCESS_LOGIN = r'S{} OUT .* SUCCESS .*\(login[^)]*\)'
LOGIN_IN = r'S{} IN .* LOGIN '


class Switcher:
    """Moves the client to other servers by silencing the ones it uses.

    States: 'A' (the first stored server, one at a time), 'B' (the second),
    'AB' (both MAP servers, handed over by the Redirect server)."""

    def __init__(self, sim, timeout):
        self.sim = sim
        self.state = 'A'
        self.timeout = timeout
        self.done = 0

    def _wait(self, pattern, start, what):
        m, i = self.sim.lines.wait(pattern, start, self.timeout)
        if not m:
            raise Failure(f'server switch {self.done + 1}: {what}')
        return i

    def switch(self):
        start = self.sim.lines.count()
        if self.state == 'A':
            # S0 goes silent; the client loses it and tries the next stored
            # server after the switch time.
            self.sim.send('@0 silent on')
            self._wait(SUCCESS_LOGIN.format(1), start, 'no login at S1 after S0 went silent')
            self.sim.send('@0 silent off')
            self.sim.send('@1 ' + TIME_PUSH)
            self.state = 'B'
        else:
            # Every server the client uses goes silent; after the last stored
            # server (or a list of all at once) comes the fallback to the
            # Redirect server, which hands over both MAP servers.
            silenced = ['@1'] if self.state == 'B' else ['@0', '@1']
            for s in silenced:
                self.sim.send(s + ' silent on')
            i = self._wait(LOGIN_IN.format(2), start, 'no LOGIN at the Redirect server')
            for s in silenced:
                self.sim.send(s + ' silent off')
            self._wait(SUCCESS_LOGIN.format(0), i, 'no login at S0 after the redirect')
            self._wait(SUCCESS_LOGIN.format(1), i, 'no login at S1 after the redirect')
            self.sim.send('@0 ' + TIME_PUSH)
            self.sim.send('@1 ' + TIME_PUSH)
            self.state = 'AB'
        self.done += 1


DECISIONS_CLI = ['answer', 'transfer', 'ack', 'ignore', 'willcall', 'disconnect', 'none']


class Samples:
    def __init__(self, columns):
        self.columns = columns
        self.rows = []
        self.warm = None

    def add(self, row, warm=False):
        self.rows.append(row)
        if warm and self.warm is None:
            self.warm = len(self.rows) - 1
        log('  '.join(f'{c}={row.get(c, "-")}' for c in self.columns))

    def table(self):
        out = ['  '.join(f'{c:>10}' for c in self.columns)]
        for n, row in enumerate(self.rows):
            mark = ' <- warm-up' if n == self.warm else ''
            out.append('  '.join(f'{str(row.get(c, "-")):>10}' for c in self.columns) + mark)
        return '\n'.join(out)


def run_cli(args):
    build = args.build or os.path.join(SOURCE, 'build', 'native')
    nuvcli = os.path.abspath(args.nuvcli or os.path.join(build, 'tools', 'nuvcli', 'nuvcli'))
    nuvsim = os.path.abspath(args.nuvsim or os.path.join(build, 'tools', 'nuvsim', 'nuvsim'))
    for p in (nuvcli, nuvsim):
        if not os.access(p, os.X_OK):
            raise Failure(f'not built: {p}')
    work = tempfile.mkdtemp(prefix='nuv-longrun.')
    sim = cli = None
    cli_err = open(os.path.join(work, 'cli.err'), 'w')
    cli_log = open(os.path.join(work, 'cli.log'), 'w')
    ok = False
    try:
        sim = Sim([nuvsim], work)
        write_ini(work, sim.ports)
        cli = subprocess.Popen([nuvcli, '--number', '(204) 555-3636', '--password', 'secret1'],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=cli_err, cwd=work)
        out = Lines(cli.stdout, cli_log)

        def send_cli(line):
            cli.stdin.write((line + '\n').encode())
            cli.stdin.flush()

        if not out.wait(r'^LOGIN\t1$', 0, args.timeout)[0]:
            raise Failure('nuvcli did not log in')
        if not sim.lines.wait(SUCCESS_LOGIN.format(0), 0, args.timeout)[0]:
            raise Failure('nuvcli did not log in at the first stored server')
        sim.send('@0 ' + TIME_PUSH)
        switcher = Switcher(sim, args.timeout)
        samples = Samples(['t', 'calls', 'switches', 'rss', 'fds'])
        began = time.monotonic()
        next_sample = began
        next_switch = began + args.switch_every if args.switch_every > 0 else None
        switch_after = None
        if args.switches and args.calls:
            switch_after = max(1, args.calls // (args.switches + 1))
        warm_calls = max(1, args.calls // 5) if args.calls else None
        calls = 0
        call_id = 1000
        decided = 0

        def sample(warm=False):
            f = settled_figures(cli.pid)
            if f is None:
                raise Failure('nuvcli is gone')
            f.update(t=int(time.monotonic() - began), calls=calls, switches=switcher.done)
            samples.add(f, warm)

        def is_warm():
            if samples.warm is not None:
                return False
            if args.minutes is not None and not args.calls:
                return time.monotonic() - began >= 60
            return switcher.done >= min(1, args.switches) and calls >= (warm_calls or 0)

        while True:
            now = time.monotonic()
            if args.minutes is not None and now - began >= args.minutes * 60:
                break
            if args.calls and calls >= args.calls:
                break
            # A server switch when due (by time, or by the count of calls).
            due = (next_switch is not None and now >= next_switch) or \
                  (switch_after and calls > 0 and calls % switch_after == 0 and
                   switcher.done < args.switches and switcher.done < calls // switch_after)
            if due:
                switcher.switch()
                if next_switch is not None:
                    next_switch += args.switch_every
                sample(is_warm())
                continue
            # One call and its decision.
            call_id += 1
            kind = DECISIONS_CLI[calls % len(DECISIONS_CLI)]
            mark = out.count()
            sim_mark = sim.lines.count()
            sim.send(f'call {call_id} Caller{calls % 97} 20455{calls % 100000:05d}')
            m, _ = out.wait(rf'^CALL\t(full|basic)\t(\d+)\t{call_id}:', mark, args.timeout)
            if not m:
                raise Failure(f'call {call_id}: no CALL from nuvcli')
            session = m.group(2)
            verb = {'answer': 'PACCEPT', 'transfer': 'PACCEPT', 'ack': 'PACKN',
                    'ignore': 'PIGNORE', 'willcall': 'PACKN2'}.get(kind)
            if kind == 'transfer':
                send_cli(f'transfer {session} {call_id} (204) 555-1234')
            elif kind == 'disconnect':
                sim.send(f'disconnect {call_id}')
                if not out.wait(rf'^ENDED\t(full|basic)\t{session}\t{call_id}', mark, args.timeout)[0]:
                    raise Failure(f'call {call_id}: no ENDED after the disconnect')
            elif kind != 'none':
                send_cli(f'{kind} {session} {call_id}')
            if verb:
                if not sim.lines.wait(rf' IN .* [a-s] {verb} .*"{call_id}[:"]', sim_mark, args.timeout)[0]:
                    raise Failure(f'call {call_id}: the simulator did not receive the {kind}')
                if not sim.lines.wait(r' OUT .* SUCCESS .*\(decision[^)]*\)', sim_mark, args.timeout)[0]:
                    raise Failure(f'call {call_id}: no SUCCESS to the {kind}')
                decided += 1
            calls += 1
            if calls % 50 == 0:
                sim.send(f'message Long run: {calls} calls')
            if is_warm():
                sample(True)
                next_sample = time.monotonic() + args.sample
            elif time.monotonic() >= next_sample:
                sample()
                next_sample += args.sample
            if args.call_every > 0:
                time.sleep(max(0.0, args.call_every - (time.monotonic() - now)))
        sample(samples.warm is None)
        errors = out.grep(r'^(ERROR|MISCONFIGURED)')
        send_cli('quit')
        try:
            rc = cli.wait(args.timeout)
        except subprocess.TimeoutExpired:
            raise Failure('nuvcli did not quit')
        cli_err.flush()
        err_text = open(os.path.join(work, 'cli.err')).read()

        log('')
        log(f'nuvcli long run: {calls} calls ({decided} decided), {switcher.done} server switches, '
            f'{int(time.monotonic() - began)} s; work folder {work}')
        log(samples.table())
        warm, last = samples.rows[samples.warm], samples.rows[-1]
        log(f'warm-up -> end: VmRSS {warm["rss"]} -> {last["rss"]} KiB ({last["rss"] - warm["rss"]:+d}), '
            f'descriptors {warm["fds"]} -> {last["fds"]}')
        problems = []
        if rc != 0:
            problems.append(f'nuvcli exited with {rc}')
        if 'Sanitizer' in err_text:
            problems.append('sanitizer report in nuvcli\'s messages:\n' + err_text[-4000:])
        if errors:
            problems.append(f'{len(errors)} ERROR lines, first: {errors[0]}')
        if last['fds'] != warm['fds']:
            problems.append(f'descriptors {warm["fds"]} after the warm-up, {last["fds"]} at the end')
        if last['rss'] - warm['rss'] >= args.rss_slack:
            problems.append(f'resident memory grew by {last["rss"] - warm["rss"]} KiB')
        for p in problems:
            log('PROBLEM: ' + p)
        ok = not problems or not args.check
        return 0 if ok else 1
    finally:
        if cli is not None:
            stop_process(cli)
        if sim is not None:
            sim.stop()
        cli_err.close()
        cli_log.close()
        if ok and not args.keep:
            shutil.rmtree(work, ignore_errors=True)
        else:
            log(f'logs kept in {work}')


class WineSession:
    """The Windows programs of a run, inside the private Xvfb display and
    private copy of the build's Wine prefix (a Wine server of its own) that
    tests/soak/wine_env.sh, the end-to-end tests' own set-up, makes around
    this script (see main)."""

    def __init__(self, build, work):
        self.build = build
        self.work = work
        self.env = dict(os.environ, NUV_WINE_BUILD_DIR=build)
        self.prefix = os.environ['NUV_WINEPREFIX']
        self.procs = []
        self.run = os.path.join(SOURCE, 'scripts', 'wine-run.sh')

    def command(self, exe):
        return [self.run, exe if os.path.isabs(exe) else os.path.join(self.build, exe)]

    def start(self, exe, args=(), name=None, **kw):
        out = open(os.path.join(self.work, (name or os.path.basename(exe)) + '.err'), 'w')
        proc = subprocess.Popen(self.command(exe) + list(args), env=self.env, cwd=self.work, stderr=out, **kw)
        self.procs.append(proc)
        return proc

    def linux_pid(self, exe_name):
        """The Linux process of a Windows program of this prefix."""
        want = ('WINEPREFIX=' + self.prefix).encode()
        for pid in filter(str.isdigit, os.listdir('/proc')):
            try:
                cmd = open(f'/proc/{pid}/cmdline', 'rb').read()
                if exe_name.encode() not in cmd or b'wine-run' in cmd:
                    continue
                if want in open(f'/proc/{pid}/environ', 'rb').read().split(b'\0'):
                    return int(pid)
            except OSError:
                pass
        return None

    def close(self):
        # The display, the prefix's Wine server and the work folder are
        # wine_env.sh's to end.
        for proc in reversed(self.procs):
            stop_process(proc, 10)


class LineTool:
    """A Windows program that answers each command line with one line."""

    def __init__(self, proc, timeout):
        self.proc = proc
        self.out = Lines(proc.stdout)
        self.timeout = timeout

    def ask(self, line, extra=0.0):
        mark = self.out.count()
        self.proc.stdin.write((line + '\n').encode())
        self.proc.stdin.flush()
        m, _ = self.out.wait(r'^', mark, self.timeout + extra)
        if not m:
            raise Failure(f'no answer to "{line}"')
        return self.out.lines[mark]

    def ok(self, line, extra=0.0):
        reply = self.ask(line, extra)
        if not reply.startswith('ok'):
            raise Failure(f'"{line}" answered "{reply}"')
        return reply.split()


# Points of the full pop-up's buttons, from its top left corner.
BUTTONS = {'answer': (38, 159), 'transfer': (101, 159), 'ack': (164, 159), 'ignore': (227, 159)}
SENT = {'answer': 'PACCEPT', 'transfer': 'PACCEPT', 'ack': 'PACKN', 'ignore': 'PIGNORE'}
# One round of ten calls: three pop-ups at once that nobody answers (missed
# after twenty seconds), then one pop-up at a time with each decision, and
# one that the server ends.
ROUND_MAIN = ['missed'] * 3 + ['answer', 'transfer', 'ack', 'ignore', 'disconnect', 'answer', 'ack']
OBSERVED = ['handles', 'handlelist', 'gdi', 'user', 'gditable', 'windows']


def run_main(args):
    build = os.path.abspath(args.build or os.path.join(SOURCE, 'build', 'win64'))
    for exe in ('nuvmain.exe', 'nuvdrive.exe', 'nuvobserve.exe', 'tools/nuvsim/nuvsim.exe'):
        if not os.path.exists(os.path.join(build, exe)):
            raise Failure(f'not built: {os.path.join(build, exe)}')
    work = os.environ['E2E_WORK']
    wine = sim = None
    ok = False
    try:
        wine = WineSession(build, work)
        sim = Sim(wine.command('tools/nuvsim/nuvsim.exe'), work, wine.env, start_wait=args.start_wait)
        with open(os.path.join(work, 'NUV.INI'), 'w', newline='') as f:
            for line in ['[PARAMS]', 'USERID=(204) 555-3636', 'PASSWORD=secret1', 'SERVICE=1', 'RAS=0',
                         'NUMBER1=2045550001', 'NAME1=Office', 'SERVERLIST=0:1',
                         f'SERVER0=127.0.0.1/{sim.ports[0]}']:
                f.write(line + '\r\n')
        drive = LineTool(wine.start('nuvdrive.exe', stdin=subprocess.PIPE, stdout=subprocess.PIPE), args.timeout)
        drive.ok('echo ready', args.start_wait)
        observe = LineTool(wine.start('nuvobserve.exe', stdin=subprocess.PIPE, stdout=subprocess.PIPE),
                           args.timeout)
        observe.ok('find nuvobserve.exe', args.start_wait)
        client = wine.start('nuvmain.exe', stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        if not sim.lines.wait(SUCCESS_LOGIN.format(0), 0, args.start_wait)[0]:
            raise Failure('nuvmain.exe did not log in')
        drive.ok('waitvisible NUV "NUV: Monitoring*" 20000', 20)
        wpid = observe.ok('find nuvmain.exe')[1]
        lpid = wine.linux_pid('nuvmain.exe')
        if lpid is None:
            raise Failure('the Linux process of nuvmain.exe was not found')

        samples = Samples(['calls', 'rss', 'fds'] + OBSERVED + ['private'])
        began = time.monotonic()
        calls = 0
        call_id = 5000
        every = max(len(ROUND_MAIN), (args.sample_calls // len(ROUND_MAIN)) * len(ROUND_MAIN))
        warm_at = max(len(ROUND_MAIN), (args.calls // 5 // len(ROUND_MAIN)) * len(ROUND_MAIN))

        def figures():
            linux = settled_figures(lpid)
            if linux is None or client.poll() is not None:
                raise Failure('nuvmain.exe is gone')
            best = None
            for n in range(3):
                words = observe.ok(f'sample {wpid}')[1:]
                row = {k: (int(v) if v != '-' else None) for k, v in (w.split('=') for w in words)}
                if best is None:
                    best = row
                else:
                    for k in OBSERVED:
                        if row[k] is not None and (best[k] is None or row[k] < best[k]):
                            best[k] = row[k]
                if n < 2:
                    time.sleep(0.1)
            best.update(linux)
            best['calls'] = calls
            return best

        def caption(number):
            return f'(204) 555-{number[-4:]} Calling'

        def show(number, wait_ms=20000):
            return drive.ok(f'waitvisible PopupClass "{caption(number)}" {wait_ms}', wait_ms / 1000)

        samples.add(figures())
        while calls < args.calls:
            kind = ROUND_MAIN[calls % len(ROUND_MAIN)]
            if kind == 'missed':
                batch = []
                while calls < args.calls and ROUND_MAIN[calls % len(ROUND_MAIN)] == 'missed':
                    call_id += 1
                    number = f'204555{call_id % 10000:04d}'
                    sim.send(f'call {call_id} "Nobody {calls}" {number}')
                    show(number)
                    batch.append(number)
                    calls += 1
                for number in batch:
                    drive.ok(f'waitgone PopupClass "{caption(number)}" 40000', 40)
            else:
                call_id += 1
                number = f'204555{call_id % 10000:04d}'
                mark = sim.lines.count()
                sim.send(f'call {call_id} "Caller {calls}" {number}')
                words = show(number)
                hwnd, left, top = words[1], int(words[2]), int(words[3])
                if kind == 'disconnect':
                    sim.send(f'disconnect {call_id}')
                else:
                    x, y = BUTTONS[kind]
                    drive.ok(f'click {left + x} {top + y}')
                drive.ok(f'waitgone {hwnd} 20000', 20)
                if kind != 'disconnect':
                    if not sim.lines.wait(rf' IN .* [a-s] {SENT[kind]} .*"{call_id}[:"]', mark, args.timeout)[0]:
                        raise Failure(f'call {call_id}: the simulator did not receive the {kind}')
                    # Two clicks on one spot within the double-click time
                    # would make one double click.
                    drive.ok('sleep 650', 1)
                calls += 1
            if calls % every == 0 or calls == warm_at or calls >= args.calls:
                samples.add(figures(), calls >= warm_at)

        log('')
        log(f'nuvmain.exe long run: {calls} calls, {int(time.monotonic() - began)} s; work folder {work}')
        log(samples.table())
        if samples.warm is None:
            samples.warm = 0
        warm, last = samples.rows[samples.warm], samples.rows[-1]
        problems = []
        for k in OBSERVED + ['fds']:
            if warm[k] is None:
                log(f'{k}: not reported')
                continue
            log(f'{k}: {warm[k]} after the warm-up, {last[k]} at the end')
            if k != 'fds' and last[k] != warm[k]:
                problems.append(f'{k} {warm[k]} after the warm-up, {last[k]} at the end')
        log(f'VmRSS {warm["rss"]} -> {last["rss"]} KiB ({last["rss"] - warm["rss"]:+d}), '
            f'private {warm["private"]} -> {last["private"]} KiB')
        if last['rss'] - warm['rss'] >= args.rss_slack:
            problems.append(f'resident memory grew by {last["rss"] - warm["rss"]} KiB')
        drive.ok('post NUV "NUV: Monitoring*" WM_COMMAND 6005')
        try:
            rc = client.wait(args.timeout)
        except subprocess.TimeoutExpired:
            problems.append('nuvmain.exe did not end')
            rc = None
        if rc not in (0, None):
            problems.append(f'nuvmain.exe exited with {rc}')
        for p in problems:
            log('PROBLEM: ' + p)
        ok = not problems or not args.check
        return 0 if ok else 1
    finally:
        if sim is not None:
            sim.stop()
        if wine is not None:
            wine.close()
        if not ok or args.keep:
            log(f'logs kept in {work}')


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('client', choices=['nuvcli', 'nuvmain'])
    ap.add_argument('--minutes', type=float)
    ap.add_argument('--calls', type=int)
    ap.add_argument('--switches', type=int, default=0,
                    help='server switches spread over --calls (instead of --switch-every)')
    ap.add_argument('--switch-every', type=float, default=None, help='seconds between server switches')
    ap.add_argument('--call-every', type=float, default=None, help='seconds between calls')
    ap.add_argument('--sample', type=float, default=60, help='seconds between samples (nuvcli)')
    ap.add_argument('--sample-calls', type=int, default=100, help='calls between samples (nuvmain)')
    ap.add_argument('--start-wait', type=float, default=90, help='seconds a Windows program may take to start')
    ap.add_argument('--build', help='build folder (native: build/native, nuvmain: build/win64)')
    ap.add_argument('--nuvcli')
    ap.add_argument('--nuvsim')
    ap.add_argument('--timeout', type=float, default=60, help='seconds any one step may take')
    ap.add_argument('--rss-slack', type=int, default=None,
                    help='KiB of growth --check allows (nuvcli 1024, nuvmain 2048)')
    ap.add_argument('--check', action='store_true')
    ap.add_argument('--keep', action='store_true', help='keep the work folder')
    ap.add_argument('--inside', action='store_true', help=argparse.SUPPRESS)
    args = ap.parse_args()
    if args.client == 'nuvmain' and not args.inside:
        # A private display and Wine prefix around the whole run; the work
        # folder is kept when the run fails or --keep asks for it.
        build = os.path.abspath(args.build or os.path.join(SOURCE, 'build', 'win64'))
        env = dict(os.environ, E2E_KEEP='1') if args.keep else None
        return subprocess.call(['bash', os.path.join(SOURCE, 'tests', 'soak', 'wine_env.sh'), build,
                                sys.executable, os.path.abspath(__file__)] + sys.argv[1:] +
                               ['--build', build, '--inside'], env=env)
    if args.minutes is None and args.calls is None:
        if args.client == 'nuvcli':
            args.minutes = 60
        else:
            args.calls = 500
    if args.rss_slack is None:
        args.rss_slack = 1024 if args.client == 'nuvcli' else 2048
    if args.client == 'nuvcli':
        if args.switch_every is None:
            args.switch_every = 0 if args.switches else 600
        if args.call_every is None:
            args.call_every = 0 if args.calls and args.minutes is None else 3
    try:
        return run_cli(args) if args.client == 'nuvcli' else run_main(args)
    except Failure as e:
        log(f'FAILED: {e}')
        return 1


if __name__ == '__main__':
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    sys.exit(main())
