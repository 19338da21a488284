#!/usr/bin/env bash
# nuvcli's account rules: without a valid stored number and password, or
# with an invalid --number or --password, it exits 2 before starting the
# protocol and leaves NUV.INI without the rejected values.
#
#   cli_account.sh NUVCLI [--runner CMD]
set -u
NUVCLI=$(realpath "$1")
shift
RUNNER=()
[ "${1:-}" = --runner ] && RUNNER=("$(realpath "$2")")

WORK=$(mktemp -d "${TMPDIR:-/tmp}/nuvcli-account.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1
failures=0

# expect CODE ARGS...: runs nuvcli with empty input in the work folder.
expect() {
  local want=$1
  shift
  "${RUNNER[@]}" "$NUVCLI" "$@" < /dev/null > out.txt 2> err.txt
  local got=$?
  if [ "$got" -ne "$want" ]; then
    echo "FAILED: nuvcli $* exited $got, expected $want" >&2
    cat err.txt >&2
    failures=$((failures + 1))
  fi
}
stored() { tr -d '\r' < NUV.INI | grep -E "^$1=" | head -1 | cut -d= -f2-; }

expect 2                                          # nothing stored
expect 2 --number "555-3636" --password secret1   # 7 digits, no area code stored
expect 2 --number "1-204-555-3636" --password secret1
expect 2 --number "(204) 555-3636" --password abcd
expect 2 --number "(204) 555-3636" --password "abc:defg"
expect 2 --password secret1                       # still no number
[ "$(stored USERID)" = "" ] || { echo "FAILED: a rejected number was stored" >&2; failures=$((failures + 1)); }
expect 2 --bogus

# Accepted values are stored in the pretty form, then a plain start works
# (end of input: log out, save, exit 0).
expect 0 --number "204.555.3636" --password "pass word"
[ "$(stored USERID)" = "(204) 555-3636" ] || { echo "FAILED: USERID $(stored USERID)" >&2; failures=$((failures + 1)); }
[ "$(stored PASSWORD)" = "pass word" ] || { echo "FAILED: PASSWORD $(stored PASSWORD)" >&2; failures=$((failures + 1)); }
expect 0
# Seven digits take the stored area code.
expect 0 --number "555 1212"
[ "$(stored USERID)" = "(204) 555-1212" ] || { echo "FAILED: USERID $(stored USERID)" >&2; failures=$((failures + 1)); }
# A stored password that breaks the rules is refused at start.
sed -i 's/^PASSWORD=.*/PASSWORD=a:b:c:d/' NUV.INI
expect 2

[ $failures -eq 0 ] && echo "account rules: all cases passed"
[ $failures -eq 0 ]
