#!/usr/bin/env bash
# scripts/setup's decisions against stand-ins for apt-get, apt-cache, dpkg-query and dpkg
# (stand_in.sh), first on PATH: nothing is installed, on any machine.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
setup="$here/../../scripts/setup"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

mkdir "$work/bin"
for tool in apt-get apt-cache dpkg-query dpkg sudo; do
  ln -s "$here/stand_in.sh" "$work/bin/$tool"
done

# One case a row: name | stand-in settings | setup's exit status | lines its output must
# hold | lines it must not hold ('~' separates lines; the calls log is searched as "calls:").
cases=(
  "update fails: setup goes on|STAND_IN_UPDATE=fail|0|apt-get update failed 3 times; going on with the package lists it has~bookworm-security/main i386 Packages (File has unexpected size~[native] installing cmake~calls:apt-get update~[wine32] installing wine32:i386|WARNING"
  "i386 group refused, alignment fails: fallback|STAND_IN_WINE32=refuse|0|[wine32] aligning libz: amd64 1.0-amd64 -> 1.0-i386, libz:i386 1.0-i386~[wine32] round 1: installing wine32:i386 with 1 libraries~no Multi-Arch \"same\" library left to align after 1 round(s)~the Windows tests will run from the x86_64 build under wine64|aligning libnotmultiarch~aligning libnotoffered~aligning libcurl4~FAILED"
  "i386 group aligned in one round|STAND_IN_WINE32=align|0|aligning libz: amd64 1.0-amd64 -> 1.0-i386~calls:apt-get install -y -q --no-install-recommends --allow-downgrades wine32:i386 libz=1.0-i386 libz:i386=1.0-i386~installed after aligning 1 libraries in 1 round(s)|WARNING"
  "a required group fails: setup fails naming it|STAND_IN_MISSING=g++-mingw-w64-i686|1|[windows] apt-get refused: E: Unable to locate package g++-mingw-w64-i686~FAILED: the 'windows' group could not be installed: E: Unable to locate package g++-mingw-w64-i686~calls:apt-get install -y -q --no-install-recommends wine32:i386|FAILED: the 'native'"
)

check() {                # NAME OUTPUT_FILE CALLS_FILE MUST MUST_NOT
  local name=$1 output=$2 calls=$3 line
  IFS='~' read -r -a must <<<"$4"
  IFS='~' read -r -a must_not <<<"$5"
  for line in "${must[@]}"; do
    case "$line" in
      calls:*) grep -qF -- "${line#calls:}" "$calls" || { echo "FAIL [$name]: no call '${line#calls:}'"; failures=$((failures + 1)); } ;;
      *) grep -qF -- "$line" "$output" || { echo "FAIL [$name]: output lacks '$line'"; failures=$((failures + 1)); } ;;
    esac
  done
  for line in "${must_not[@]}"; do
    [ -z "$line" ] || ! grep -qF -- "$line" "$output" || { echo "FAIL [$name]: output holds '$line'"; failures=$((failures + 1)); }
  done
}

run_setup() {            # SETTINGS: runs setup in a fresh stand-in state, output in $work/out
  rm -rf "$work/state" "$work/logs"
  mkdir "$work/state"
  printf "libz:amd64\nlibnotmultiarch:amd64\nlibnotoffered:amd64\n" >"$work/state/installed"
  env PATH="$work/bin:$PATH" STAND_IN_DIR="$work/state" VP_SETUP_RETRY_PAUSE=0 \
      VP_SETUP_LOG_DIR="$work/logs" $1 bash "$setup" >"$work/out" 2>&1
}

for row in "${cases[@]}"; do
  IFS='|' read -r name settings want_status must must_not <<<"$row"
  status=0
  run_setup "$settings" || status=$?
  if [ "$status" != "$want_status" ]; then
    echo "FAIL [$name]: exit status $status, wanted $want_status"
    failures=$((failures + 1))
  fi
  check "$name" "$work/out" "$work/state/calls" "$must" "$must_not"
  [ "$failures" = 0 ] || { echo "--- setup's output [$name]:"; cat "$work/out"; }
done

# The update is tried three times; once everything is there, setup asks apt nothing.
run_setup STAND_IN_UPDATE=fail
[ "$(grep -c '^apt-get update' "$work/state/calls")" = 3 ] ||
  { echo "FAIL: apt-get update tried $(grep -c '^apt-get update' "$work/state/calls") times, wanted 3"; failures=$((failures + 1)); }
: >"$work/state/calls"
env PATH="$work/bin:$PATH" STAND_IN_DIR="$work/state" VP_SETUP_LOG_DIR="$work/logs" bash "$setup" >"$work/out" 2>&1 ||
  { echo "FAIL: the second run failed"; failures=$((failures + 1)); }
! grep -q '^apt-get' "$work/state/calls" ||
  { echo "FAIL: a second run called apt-get: $(grep '^apt-get' "$work/state/calls" | head -n 1)"; failures=$((failures + 1)); }

[ "$failures" = 0 ] && echo "setup decisions: ${#cases[@]} cases and the repeated run passed"
[ "$failures" = 0 ]
