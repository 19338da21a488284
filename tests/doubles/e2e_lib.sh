# Bash functions for windowed end-to-end tests under Wine: one Xvfb display
# and one private Wine prefix (so one wineserver of its own) for the whole
# test, programs started in the background through scripts/wine-run.sh, a
# nuvdrive coprocess answering one line per command, screen captures as PNG,
# and a clean-up that ends everything the test started. Every wait is bounded.
#
#   . "$SOURCE_DIR/tests/doubles/e2e_lib.sh"
#   e2e_begin "$BUILD_DIR"                 work folder (the current folder
#                                          from now on), display, prefix
#   e2e_start aol aolfake.exe --caption "AOL Canada"
#   e2e_driver                             start nuvdrive
#   drive wait "AOL Frame25" "*" 30000 || e2e_fail "no frame"
#   echo "$E2E_REPLY"
#   e2e_capture shot.png [x y w h]
#   e2e_wait_exit aol 10 || e2e_fail "still running"
#
# Programs are given by file name in the build folder or by path. Their
# standard output and error go to <name>.out and <name>.err in the work
# folder. E2E_KEEP=1 keeps the work folder (it is printed); a failure keeps
# it too.
#
# Variables for the test: E2E_BUILD, E2E_SOURCE, E2E_WORK, E2E_REPLY (the
# last answer of nuvdrive), E2E_PID_<name>.

E2E_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_BUILD=
E2E_WORK=
E2E_REPLY=
E2E_XVFB_PID=
E2E_NAMES=()
E2E_FAILED=0
E2E_DRIVE_TIMEOUT=${E2E_DRIVE_TIMEOUT:-60}
# Seconds a program under Wine may take to start; the first start in a fresh
# prefix takes longest.
E2E_START_WAIT=${E2E_START_WAIT:-90}

e2e_log() { echo "e2e: $*" >&2; }

# e2e_begin BUILD_DIR: work folder, display, prefix and the clean-up trap.
e2e_begin() {
  E2E_BUILD=$(cd "$1" && pwd) || { echo "e2e: no build folder $1" >&2; exit 2; }
  E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/nuv-e2e.XXXXXX") || exit 2
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM
  cd "$E2E_WORK" || exit 2
  e2e_display || e2e_fail "cannot start Xvfb"
  e2e_prefix || e2e_fail "cannot prepare the Wine prefix"
}

# e2e_display: one Xvfb on a free display number for every program of the
# test, 1024x768 in true colour.
e2e_display() {
  local n deadline
  for n in $(seq $((100 + RANDOM % 300)) 499); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$E2E_WORK/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    deadline=$((SECONDS + 15))
    while [ ! -e "/tmp/.X11-unix/X$n" ]; do
      if ! kill -0 "$E2E_XVFB_PID" 2>/dev/null; then E2E_XVFB_PID=; break; fi
      if [ $SECONDS -ge $deadline ]; then kill "$E2E_XVFB_PID" 2>/dev/null; E2E_XVFB_PID=; break; fi
      sleep 0.05
    done
    if [ -n "$E2E_XVFB_PID" ]; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  return 1
}

# e2e_prefix: a private copy of the build tree's prepared prefix, so that the
# test has a wineserver of its own and sees no windows of tests running
# beside it. Files are hard links except the registry, which Wine rewrites.
e2e_prefix() {
  local base=$E2E_BUILD/wineprefix
  if [ ! -f "$base/.nuv-ready" ]; then
    # wine-run.sh prepares the shared prefix once, under its lock.
    echo quit | NUV_WINEPREFIX= timeout 300 "$E2E_SOURCE/scripts/wine-run.sh" "$E2E_BUILD/nuvdrive.exe" >/dev/null 2>&1
    [ -f "$base/.nuv-ready" ] || return 1
  fi
  export NUV_WINEPREFIX=$E2E_WORK/prefix
  cp -al "$base" "$NUV_WINEPREFIX" 2>/dev/null || cp -a "$base" "$NUV_WINEPREFIX" || return 1
  rm -f "$NUV_WINEPREFIX/wineserver"
  local reg
  for reg in "$base"/*.reg; do cp --remove-destination "$reg" "$NUV_WINEPREFIX/" || return 1; done
  # The first Wine process of a prefix starts its wineserver and names the
  # server's folder in the prefix; two programs started together would race
  # for that. A persistent server started now avoids it.
  WINEPREFIX=$NUV_WINEPREFIX "$(e2e_wineserver)" -p 2>/dev/null || return 1
  local deadline=$((SECONDS + 15))
  while [ ! -s "$NUV_WINEPREFIX/wineserver" ] && [ ! -d "/tmp/.wine-$(id -u)" ]; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.05
  done
}

e2e_wineserver() {
  local wine_bin
  wine_bin=$(command -v wine64 || command -v wine || true)
  [ -x /usr/lib/wine/wine64 ] && wine_bin=/usr/lib/wine/wine64
  echo "$(dirname "$wine_bin")/wineserver"
}

# e2e_start NAME PROGRAM [ARGS...]: runs PROGRAM under Wine in the
# background; E2E_PID_<NAME> holds its process id. Standard input is empty.
e2e_start() {
  local name=$1 exe=$2
  shift 2
  [ -f "$exe" ] || exe=$E2E_BUILD/$exe
  [ -f "$exe" ] || e2e_fail "no program $exe"
  "$E2E_SOURCE/scripts/wine-run.sh" "$exe" "$@" </dev/null >"$E2E_WORK/$name.out" 2>"$E2E_WORK/$name.err" &
  printf -v "E2E_PID_$name" '%s' $!
  E2E_NAMES+=("$name")
}

# e2e_running NAME: true while the program runs.
e2e_running() {
  local pid_var="E2E_PID_$1"
  [ -n "${!pid_var:-}" ] && kill -0 "${!pid_var}" 2>/dev/null
}

# e2e_wait_exit NAME SECONDS: waits for the program's end; its exit code, or
# 124 when it is still running after the time.
e2e_wait_exit() {
  local pid_var="E2E_PID_$1" deadline=$((SECONDS + $2))
  local pid=${!pid_var:-}
  [ -n "$pid" ] || return 127
  while kill -0 "$pid" 2>/dev/null; do
    [ $SECONDS -ge $deadline ] && return 124
    sleep 0.05
  done
  wait "$pid"
}

# e2e_wait_file FILE REGEX SECONDS: until an extended regular expression
# matches a line of FILE (CR LF or LF line ends).
e2e_wait_file() {
  local deadline=$((SECONDS + $3))
  while ! tr -d '\r' <"$1" 2>/dev/null | grep -Eq -- "$2"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.05
  done
}

# e2e_ras LINE...: the remote-access stand-in's state, one control line per
# argument ("connected My ISP", "connecting Dial", "error 603", "none"),
# written beside and renamed into place so that a running client never reads
# half a file. Programs see the stand-in only when started with
# NUV_WINEDLLOVERRIDES=rasapi32=n,b.
e2e_ras() {
  local control=${NUV_RAS_CONTROL:-ras-standin.txt}
  printf '%s\n' "$@" >"$control.new" && mv -f "$control.new" "$control"
}

# e2e_sim [ARGS...]: the server simulator (the win64 build's nuvsim.exe) on a
# free loopback port, its standard input a pipe on descriptor 7 (`sim
# COMMAND`), its record in sim.out (`sim_count REGEX`); E2E_SIM_PORT is the
# port.
e2e_sim() {
  local attempt
  : >sim.out
  mkfifo sim.in
  for attempt in 1 2 3 4 5; do
    E2E_SIM_PORT=$((20000 + RANDOM % 40000))
    "$E2E_SOURCE/scripts/wine-run.sh" "$E2E_BUILD/tools/nuvsim/nuvsim.exe" \
      --listen "127.0.0.1:$E2E_SIM_PORT" "$@" <sim.in >sim.out 2>sim.err &
    E2E_PID_sim=$!
    exec 7>sim.in
    e2e_wait_file sim.out "MAP server on|cannot open" "$E2E_START_WAIT"
    grep -q "MAP server on" sim.out && break
    exec 7>&-
    wait "$E2E_PID_sim" 2>/dev/null
  done
  grep -q "MAP server on" sim.out || e2e_fail "nuvsim did not start"
  E2E_NAMES+=(sim)
}
sim() { echo "$*" >&7; }
sim_count() { tr -d '\r' <sim.out | grep -Ec -- "$1"; }
# sim_wait_count REGEX N SECONDS: until the simulator has recorded N lines
# matching REGEX; the test fails after SECONDS.
sim_wait_count() {
  local deadline=$((SECONDS + $3))
  until [ "$(sim_count "$1")" -ge "$2" ]; do
    [ $SECONDS -ge $deadline ] && e2e_fail "simulator: fewer than $2 lines matching $1"
    sleep 0.05
  done
}

# e2e_cpu_ticks: user and system clock ticks (getconf CLK_TCK a second) of
# every process of this run's Wine prefix, the simulator left out: the CPU
# that benchmarks compare.
e2e_cpu_ticks() {
  python3 - "$NUV_WINEPREFIX" <<'PY'
import os, sys
prefix = ('WINEPREFIX=' + sys.argv[1]).encode()
total = 0
for pid in filter(str.isdigit, os.listdir('/proc')):
    try:
        env = open(f'/proc/{pid}/environ', 'rb').read().split(b'\0')
        if prefix not in env:
            continue
        cmd = open(f'/proc/{pid}/cmdline', 'rb').read()
        if b'nuvsim' in cmd:
            continue
        stat = open(f'/proc/{pid}/stat').read()
        fields = stat[stat.rindex(')') + 2:].split()
        total += int(fields[11]) + int(fields[12])
    except OSError:
        pass
print(total)
PY
}

# e2e_driver: starts nuvdrive as the coprocess that drive talks to and waits
# for its first answer.
e2e_driver() {
  [ -f "$E2E_BUILD/nuvdrive.exe" ] || e2e_fail "no nuvdrive.exe in $E2E_BUILD"
  coproc E2E_DRIVE { exec "$E2E_SOURCE/scripts/wine-run.sh" "$E2E_BUILD/nuvdrive.exe" 2>"$E2E_WORK/nuvdrive.err"; }
  E2E_DRIVE_PID_SAVED=$E2E_DRIVE_PID
  E2E_DRIVE_TIMEOUT_SAVED=$E2E_DRIVE_TIMEOUT
  E2E_DRIVE_TIMEOUT=$E2E_START_WAIT
  drive echo ready
  local rc=$?
  E2E_DRIVE_TIMEOUT=$E2E_DRIVE_TIMEOUT_SAVED
  [ $rc -eq 0 ] || e2e_fail "nuvdrive does not answer"
}

# drive COMMAND...: sends one command line to nuvdrive (arguments with
# spaces are quoted for it) and reads the answer into E2E_REPLY, which is
# also printed to the test's error output. True when the answer is "ok ...".
# The time allowed is the command's own time-out (its last number, for the
# wait commands) plus E2E_DRIVE_TIMEOUT seconds.
drive() {
  local line="" arg allowed=$E2E_DRIVE_TIMEOUT
  for arg in "$@"; do
    case $arg in
      *[[:space:]]* | "") line+=" \"$arg\"" ;;
      *) line+=" $arg" ;;
    esac
  done
  line=${line# }
  case $1 in
    wait*) [[ ${!#} =~ ^[0-9]+$ ]] && allowed=$((allowed + ${!#} / 1000)) ;;
    sleep) allowed=$((allowed + ${2:-0} / 1000)) ;;
  esac
  E2E_REPLY=
  if [ -z "${E2E_DRIVE[1]:-}" ]; then
    E2E_REPLY="err nuvdrive is not running"
  elif ! printf '%s\n' "$line" >&"${E2E_DRIVE[1]}" 2>/dev/null; then
    E2E_REPLY="err nuvdrive is not running"
  elif ! IFS= read -r -t "$allowed" E2E_REPLY <&"${E2E_DRIVE[0]}"; then
    E2E_REPLY="err no answer within ${allowed}s"
  fi
  E2E_REPLY=${E2E_REPLY%$'\r'}
  echo "drive> $line" >&2
  echo "drive< $E2E_REPLY" >&2
  [[ $E2E_REPLY == ok* ]]
}

# drive_ok COMMAND...: as drive, and the test fails unless the answer is ok.
drive_ok() {
  drive "$@" || e2e_fail "nuvdrive: '$*' answered '$E2E_REPLY'"
}

# e2e_capture FILE.png [X Y W H]: the screen or an area as a PNG.
e2e_capture() {
  local png=$1 bmp=${1%.png}.bmp
  shift
  drive capture "$bmp" "$@" || return 1
  convert "$bmp" "$png" && rm -f "$bmp"
}

# e2e_fail MESSAGE: reports, shows what the programs wrote, keeps a screen
# shot and the work folder, and ends the test.
e2e_fail() {
  echo "FAILED: $*" >&2
  if [ "$E2E_FAILED" = 0 ]; then
    E2E_FAILED=1
    local name
    for name in "${E2E_NAMES[@]}"; do
      echo "===== $name: output =====" >&2; tr -d '\r' <"$E2E_WORK/$name.out" >&2 2>/dev/null
      echo "===== $name: errors =====" >&2; tail -n 40 "$E2E_WORK/$name.err" >&2 2>/dev/null
    done
    if [ -n "${E2E_DRIVE[1]:-}" ]; then
      local saved=$E2E_DRIVE_TIMEOUT
      E2E_DRIVE_TIMEOUT=15
      e2e_capture "$E2E_WORK/failure.png" >/dev/null 2>&1 && echo "screen at failure: $E2E_WORK/failure.png" >&2
      E2E_DRIVE_TIMEOUT=$saved
    fi
  fi
  exit 1
}

e2e_cleanup() {
  local rc=$?
  trap - EXIT
  if [ -n "${E2E_DRIVE[1]:-}" ]; then
    printf 'quit\n' >&"${E2E_DRIVE[1]}" 2>/dev/null
    exec {E2E_DRIVE[1]}>&- 2>/dev/null
  fi
  local name pid_var
  for name in "${E2E_NAMES[@]}"; do
    pid_var="E2E_PID_$name"
    [ -n "${!pid_var:-}" ] && kill "${!pid_var}" 2>/dev/null
  done
  [ -n "${E2E_DRIVE_PID_SAVED:-}" ] && kill "$E2E_DRIVE_PID_SAVED" 2>/dev/null
  # Every Windows process of the private prefix, and its wineserver.
  if [ -n "${NUV_WINEPREFIX:-}" ] && [ "$NUV_WINEPREFIX" = "$E2E_WORK/prefix" ]; then
    WINEPREFIX=$NUV_WINEPREFIX timeout 20 "$(e2e_wineserver)" -k 2>/dev/null
    # The server's folder in /tmp, where this Wine names it in the prefix.
    local server_dir
    server_dir=$(cat "$NUV_WINEPREFIX/wineserver" 2>/dev/null)
    [[ $server_dir =~ ^wine-[A-Za-z0-9]+$ ]] && rm -rf "/tmp/$server_dir"
  fi
  [ -n "$E2E_XVFB_PID" ] && kill "$E2E_XVFB_PID" 2>/dev/null
  local deadline=$((SECONDS + 10))
  while [ -n "$(jobs -pr)" ] && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
  [ -n "$(jobs -pr)" ] && kill -9 $(jobs -pr) 2>/dev/null
  if [ -n "$E2E_WORK" ] && [ -d "$E2E_WORK" ]; then
    if [ "${E2E_KEEP:-0}" = 1 ] || [ $rc -ne 0 ]; then
      rm -rf "$E2E_WORK/prefix"
      echo "e2e: work folder kept: $E2E_WORK" >&2
    else
      rm -rf "$E2E_WORK"
    fi
  fi
  exit $rc
}
