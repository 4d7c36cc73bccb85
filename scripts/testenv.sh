# shellcheck shell=bash
# Test environment for running the Windows build under wine. Source it:
#
#   source scripts/testenv.sh
#   trap env_down EXIT
#   env_up               # private Xvfb + PulseAudio + wine prefix/server/desktop
#   ...build...
#   env_audio_settle     # before the first audio capture
#   ctest ...
#
# Everything started here is private to this environment and stopped by PID;
# other X servers, sound servers and wine prefixes on the machine are left alone.
#
# Settings (read by env_up):
#   VP_ENV_DIR     persistent folder for the wine prefix and the keep-alive exe
#                  (default ${XDG_CACHE_HOME:-$HOME/.cache}/vantorplay-env);
#                  sockets and logs of the current run go to $VP_ENV_DIR/run
#   VP_WINE_ARCH   win32 (default), win64, or auto: win32 where this machine can run
#                  32-bit programs, else win64 (env_up sets it to the one chosen)
#   VP_WINEDEBUG   value for WINEDEBUG (default -all; err+all to debug)
#
# Exported by env_up; env_down gives them back their previous values (or unsets them):
#   DISPLAY PULSE_SERVER PULSE_RUNTIME_PATH PULSE_STATE_PATH
#   WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES
#   VP_WINE      the wine loader for VP_WINE_ARCH: run an exe as "$VP_WINE" app.exe
# Also exported by env_up:
#   VP_ENV_DIR   (resolved to an absolute path)
#   VP_ENV_RUN   the run folder; its logs stay until the next env_up
#   VP_PACAT_STARTED  $EPOCHREALTIME when the silent stream started, so a child that
#                sources this file can call env_audio_settle too (unset by env_down)
# Shell variables set by env_up (not exported):
#   VP_XVFB_PID VP_PULSE_PID VP_PACAT_PID VP_WINESERVER_PID VP_KEEPALIVE_PID
#
# Works with `set -euo pipefail` in the caller, as root, with no DISPLAY and no stdin.

VP_REPO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
_VP_VARS="DISPLAY PULSE_SERVER PULSE_RUNTIME_PATH PULSE_STATE_PATH WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES VP_WINE"
_VP_NAMES="KEEPALIVE WINESERVER PACAT PULSE XVFB"

_vp_log() { echo "testenv: $*" >&2; }

# Start time of a process in clock ticks since boot; empty when it is gone.
# Together with the PID it names one process, whatever later reuses the PID.
_vp_starttime() {
  local stat fields
  case "${1:-}" in '' | *[!0-9]*) return 0 ;; esac
  stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 0
  read -r -a fields <<<"${stat##*) }"      # the fields after "(comm) ", which may hold spaces
  echo "${fields[19]:-}"
}

# True while the process exists and is not a zombie (this machine's init reaps late).
_vp_alive() {
  local stat
  case "${1:-}" in '' | *[!0-9]*) return 1 ;; esac
  stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 1
  stat="${stat##*) }"
  [ "${stat%% *}" != Z ]
}

# Remember a PID we started, with its start time, in the shell and in the run folder.
_vp_record() {           # NAME PID
  local start
  start="$(_vp_starttime "${2:-0}")"
  printf -v "VP_${1}_PID" '%s' "${2:-}"
  printf -v "_vp_${1}_start" '%s' "${start:-gone}"
  echo "$1 ${2:-0} ${start:-gone}" >>"$VP_ENV_RUN/pids"
}

# Stop one process: TERM, up to 5 s, then KILL. Only if it is still the process we
# recorded. Reaps it when it is a child of this shell.
_vp_stop_pid() {         # PID STARTTIME
  local pid="${1:-}" i
  [ -n "$pid" ] && [ "$(_vp_starttime "$pid")" = "${2:-}" ] || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for ((i = 0; i < 250; i++)); do
    _vp_alive "$pid" || break
    sleep 0.02
  done
  if _vp_alive "$pid"; then
    kill -KILL "$pid" 2>/dev/null || true
    for ((i = 0; i < 100; i++)); do
      _vp_alive "$pid" || break
      sleep 0.02
    done
  fi
  wait "$pid" 2>/dev/null || true
  return 0
}

# Live wine processes of this prefix (the server and its clients), found by the
# WINEPREFIX in their environment.
_vp_prefix_pids() {
  local f pid
  [ -n "${WINEPREFIX:-}" ] || return 0
  while read -r f; do
    pid="${f#/proc/}"; pid="${pid%/environ}"
    case "$(readlink "/proc/$pid/exe" 2>/dev/null)" in
      */wine*) _vp_alive "$pid" && echo "$pid" ;;
    esac
  done < <(grep -lzxF -- "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null)
  return 0
}

# The wineserver of this prefix (few candidates by name, then the same environment test).
_vp_wineserver_pid() {
  local pid
  for pid in $(pgrep wineserver 2>/dev/null); do
    grep -qzxF -- "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null &&
      _vp_alive "$pid" && { echo "$pid"; return 0; }
  done
  return 0
}

_vp_save_vars() {
  local v
  for v in $_VP_VARS; do
    if [ -n "${!v+set}" ]; then
      printf -v "_vp_old_$v" '%s' "${!v}"; printf -v "_vp_had_$v" 1
    else
      printf -v "_vp_had_$v" 0
    fi
  done
}

_vp_restore_vars() {
  local v had old
  for v in $_VP_VARS; do
    had="_vp_had_$v"; old="_vp_old_$v"
    if [ "${!had:-0}" = 1 ]; then export "$v=${!old:-}"; else unset "$v"; fi
  done
}

# A run killed before its env_down may have left daemons behind: stop them, unless
# the shell that started them is still alive (then the environment is in use).
_vp_clean_stale() {
  local owner="" owner_start="" name pid start
  if [ -f "$VP_ENV_RUN/owner" ]; then
    read -r owner owner_start <"$VP_ENV_RUN/owner" || true
    if [ -n "$owner" ] && [ -n "$owner_start" ] && [ "$(_vp_starttime "$owner")" = "$owner_start" ]; then
      _vp_log "$VP_ENV_DIR is in use by process $owner (another env_up)"
      return 1
    fi
  fi
  if [ -n "$(_vp_wineserver_pid)" ]; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
  fi
  if [ -f "$VP_ENV_RUN/pids" ]; then
    while read -r name pid start; do
      _vp_stop_pid "$pid" "$start"
    done <"$VP_ENV_RUN/pids"
  fi
  return 0
}

# Xvfb starts in the background (about 0.1-0.3 s) while PulseAudio starts.
_vp_xvfb_start() {
  local fifo="$VP_ENV_RUN/xvfb.fifo"
  mkfifo "$fifo" || return 1
  exec {_vp_xvfb_fd}<>"$fifo"    # read-write: opening it never blocks, for either side
  # -displayfd: Xvfb picks a free display itself and writes its number once clients
  # can connect, so no number is guessed and no other X server is disturbed.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"$fifo" {_vp_xvfb_fd}>&- </dev/null >"$VP_ENV_RUN/xvfb.log" 2>&1 &
  _vp_record XVFB $!
}

_vp_xvfb_wait() {
  local n="" i
  for ((i = 0; i < 200; i++)); do                 # 20 s
    read -r -t 0.1 -u "$_vp_xvfb_fd" n && break
    _vp_alive "$VP_XVFB_PID" || break
  done
  exec {_vp_xvfb_fd}<&-
  rm -f "$VP_ENV_RUN/xvfb.fifo"
  if [ -z "$n" ]; then
    _vp_log "Xvfb did not start (see $VP_ENV_RUN/xvfb.log)"
    return 1
  fi
  export DISPLAY=":$n"
}

_vp_pulse_up() {
  local sock="$VP_ENV_RUN/pulse/native" i
  if [ "${#sock}" -gt 100 ]; then
    _vp_log "socket path too long for a unix socket: $sock (use a shorter VP_ENV_DIR)"
    return 1
  fi
  mkdir -m 700 "$VP_ENV_RUN/pulse" "$VP_ENV_RUN/pulse-state" || return 1
  # A private daemon with its own folders and socket: the machine's own sound
  # server, if any, is never used or stopped.
  export PULSE_RUNTIME_PATH="$VP_ENV_RUN/pulse"
  export PULSE_STATE_PATH="$VP_ENV_RUN/pulse-state"
  export PULSE_SERVER="unix:$sock"
  # The debug level names every stream that runs dry, with the time: the end-to-end tests
  # read it to tell the server's own dry-outs from the player's stream running late.
  if ! pulseaudio --daemonize=yes --exit-idle-time=-1 --system=false -n \
       --load="module-null-sink sink_name=null" \
       --load="module-native-protocol-unix socket=$sock auth-anonymous=1" \
       --log-target="file:$VP_ENV_RUN/pulse.log" \
       --log-level="${VP_PULSE_LOG_LEVEL:-debug}" --log-time=true \
       </dev/null >"$VP_ENV_RUN/pulse.out" 2>&1; then
    _vp_log "pulseaudio did not start (see $VP_ENV_RUN/pulse.log)"
    return 1
  fi
  for ((i = 0; i < 100; i++)); do
    [ -s "$PULSE_RUNTIME_PATH/pid" ] && break
    sleep 0.02
  done
  _vp_record PULSE "$(cat "$PULSE_RUNTIME_PATH/pid" 2>/dev/null)"
  if ! pactl set-default-sink null </dev/null >>"$VP_ENV_RUN/pulse.out" 2>&1; then
    _vp_log "pactl cannot reach the private sound server (see $VP_ENV_RUN/pulse.out)"
    return 1
  fi
  # An idle null sink renders about 2 s ahead and a capture loses the start of every
  # new stream; a constant silent low-latency stream keeps it running in real time.
  pacat --latency-msec=20 --raw --format=s16le --rate=48000 --channels=2 \
    --client-name=vp-keep-busy --stream-name=silence /dev/zero \
    </dev/null >"$VP_ENV_RUN/pacat.log" 2>&1 &
  _vp_record PACAT $!
  export VP_PACAT_STARTED="$EPOCHREALTIME"
}

# shellcheck source=scripts/lib.sh
source "$VP_REPO_ROOT/scripts/lib.sh"

# The loader and compiler for VP_WINE_ARCH, and a check that this machine can run them.
_vp_wine_select() {
  case "$VP_WINE_ARCH" in
    win32)
      export VP_WINE=wine
      _vp_cc=i686-w64-mingw32-gcc
      # Fail now rather than hang in wineboot.
      local blocker
      blocker="$(vp_win32_blocker)"
      if [ -n "$blocker" ]; then
        _vp_log "win32 wine cannot start: $blocker; VP_WINE_ARCH=win64 runs 64-bit builds"
        return 1
      fi
      ;;
    win64)
      # /usr/bin/wine picks the 32-bit loader whenever it is installed: name the 64-bit one.
      VP_WINE="$(vp_wine_loader win64)"
      export VP_WINE
      _vp_cc=x86_64-w64-mingw32-gcc
      ;;
    *)
      _vp_log "VP_WINE_ARCH must be win32 or win64, not '$VP_WINE_ARCH'"
      return 1
      ;;
  esac
  command -v "$VP_WINE" >/dev/null 2>&1 || { _vp_log "wine loader not found: $VP_WINE"; return 1; }
  command -v "$_vp_cc" >/dev/null 2>&1 || { _vp_log "compiler not found: $_vp_cc"; return 1; }
}

# Built once per source change, not per run.
_vp_keepalive_build() {
  local src="$VP_REPO_ROOT/tools/wine_keepalive.c"
  _vp_keepalive_exe="$VP_ENV_DIR/wine_keepalive-$VP_WINE_ARCH.exe"
  if [ -f "$_vp_keepalive_exe" ] && ! [ "$src" -nt "$_vp_keepalive_exe" ]; then
    return 0
  fi
  if ! "$_vp_cc" -Os -s -static -mwindows -o "$_vp_keepalive_exe.tmp" "$src" \
       </dev/null >"$VP_ENV_RUN/keepalive-build.log" 2>&1; then
    _vp_log "cannot build the keep-alive (see $VP_ENV_RUN/keepalive-build.log)"
    return 1
  fi
  mv -f "$_vp_keepalive_exe.tmp" "$_vp_keepalive_exe"
}

_vp_prefix_init() {
  _vp_log "creating the wine prefix $WINEPREFIX (once, about 10 s)"
  if ! "$VP_WINE" wineboot -i </dev/null >>"$VP_ENV_RUN/wine.log" 2>&1; then
    _vp_log "wineboot failed (see $VP_ENV_RUN/wine.log)"
    return 1
  fi
  # ShowCrashDialog=0: a crash exits with a backtrace instead of waiting on a dialog.
  # Managed=N: with no window manager each DestroyWindow otherwise waits 2 s.
  if ! "$VP_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
         </dev/null >>"$VP_ENV_RUN/wine.log" 2>&1 ||
     ! "$VP_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
         </dev/null >>"$VP_ENV_RUN/wine.log" 2>&1; then
    _vp_log "cannot set the prefix's registry keys (see $VP_ENV_RUN/wine.log)"
    return 1
  fi
  # Our own marker: system.reg is written only when the server exits, so it proves nothing.
  touch "$WINEPREFIX/.vantorplay-ready"
}

_vp_wine_up() {
  local rc=0 i fresh=0
  export WINEARCH="$VP_WINE_ARCH"
  export WINEDEBUG="${VP_WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml="     # never offer to install Mono or Gecko
  _vp_keepalive_build || return 1
  if [ ! -f "$WINEPREFIX/.vantorplay-ready" ]; then
    rm -rf "$WINEPREFIX"          # no marker: half-made by an interrupted run, start over
    fresh=1
  fi
  mkdir -p "$WINEPREFIX" || return 1
  VP_WINE_STARTED=1
  # A persistent server, started before anything else: each wine process then skips
  # a server start and its exit linger. -p does not change a server already running
  # (status 2), so a leftover one is replaced.
  wineserver -p </dev/null >>"$VP_ENV_RUN/wine.log" 2>&1 || rc=$?
  if [ "$rc" = 2 ]; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
    rc=0
    wineserver -p </dev/null >>"$VP_ENV_RUN/wine.log" 2>&1 || rc=$?
  fi
  if [ "$rc" != 0 ]; then
    _vp_log "wineserver -p failed with status $rc (see $VP_ENV_RUN/wine.log)"
    return 1
  fi
  _vp_record WINESERVER "$(_vp_wineserver_pid)"
  if [ "$fresh" = 1 ]; then
    _vp_prefix_init || return 1
  fi
  # The wine services and the desktop come up with the keep-alive and inherit its
  # log, never a test runner's pipe (which would then never reach end-of-file).
  "$VP_WINE" "$_vp_keepalive_exe" </dev/null >"$VP_ENV_RUN/keepalive.log" 2>&1 &
  _vp_record KEEPALIVE $!
  for ((i = 0; i < 3000; i++)); do              # 60 s: a first start can be slow
    grep -q '^ready' "$VP_ENV_RUN/keepalive.log" 2>/dev/null && return 0
    _vp_alive "$VP_KEEPALIVE_PID" || break
    sleep 0.02
  done
  _vp_log "the wine keep-alive did not get ready: $(tr -d '\r' <"$VP_ENV_RUN/keepalive.log" 2>/dev/null | tail -n 3)"
  return 1
}

env_up() {
  local me
  if [ "${_vp_up:-}" = 1 ]; then
    _vp_log "env_up: already up (env_down first)"
    return 1
  fi
  VP_ENV_DIR="${VP_ENV_DIR:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/vantorplay-env}"
  VP_WINE_ARCH="${VP_WINE_ARCH:-win32}"
  if [ "$VP_WINE_ARCH" = auto ]; then
    local blocker
    blocker="$(vp_win32_blocker)"
    if [ -z "$blocker" ]; then
      VP_WINE_ARCH=win32
      _vp_log "VP_WINE_ARCH=auto chose win32"
    else
      VP_WINE_ARCH=win64
      _vp_log "VP_WINE_ARCH=auto chose win64: $blocker"
    fi
  fi
  case "$VP_ENV_DIR" in /*) ;; *) VP_ENV_DIR="$PWD/$VP_ENV_DIR" ;; esac
  case "$VP_ENV_DIR" in *[[:space:]]*)
    _vp_log "VP_ENV_DIR must not contain white space: '$VP_ENV_DIR'"; return 1 ;;
  esac
  export VP_ENV_DIR
  export VP_ENV_RUN="$VP_ENV_DIR/run"
  _vp_save_vars
  export WINEPREFIX="$VP_ENV_DIR/prefix-$VP_WINE_ARCH"
  if ! mkdir -p "$VP_ENV_RUN" || ! _vp_clean_stale; then
    _vp_restore_vars
    return 1
  fi
  rm -rf "$VP_ENV_RUN"
  mkdir -p "$VP_ENV_RUN"
  me="$BASHPID"          # read here: inside $(...) it would name the subshell
  echo "$me $(_vp_starttime "$me")" >"$VP_ENV_RUN/owner"
  _vp_up=1
  if _vp_wine_select && _vp_xvfb_start && _vp_pulse_up && _vp_xvfb_wait && _vp_wine_up; then
    return 0
  fi
  _vp_log "env_up failed; stopping what it started (logs in $VP_ENV_RUN)"
  env_down
  return 1
}

# Sleeps until 2.5 s have passed since the silent stream started: a capture made
# earlier loses the start of the streams it records.
env_audio_settle() {
  local now left secs
  if [ -z "${VP_PACAT_STARTED:-}" ]; then
    _vp_log "env_audio_settle: the environment is not up"
    return 1
  fi
  now="$EPOCHREALTIME"
  left=$((2500000 - (10#${now/./} - 10#${VP_PACAT_STARTED/./})))
  if [ "$left" -gt 0 ]; then
    printf -v secs '%d.%06d' $((left / 1000000)) $((left % 1000000))
    sleep "$secs"
  fi
  return 0
}

# Stops exactly what env_up started and restores the variables it changed. Always
# returns 0; safe to call twice and after a half-failed env_up (trap env_down EXIT).
env_down() {
  local i pid name start
  [ "${_vp_up:-}" = 1 ] || return 0
  if [ "${VP_WINE_STARTED:-}" = 1 ]; then
    # Ends this prefix's server and the wine processes attached to it, nothing else.
    wineserver -k </dev/null >/dev/null 2>&1 || true
    for ((i = 0; i < 250; i++)); do
      [ -z "$(_vp_prefix_pids)" ] && break
      sleep 0.02
    done
    for pid in $(_vp_prefix_pids); do kill -KILL "$pid" 2>/dev/null || true; done
  fi
  for name in $_VP_NAMES; do
    pid="VP_${name}_PID"; start="_vp_${name}_start"
    _vp_stop_pid "${!pid:-}" "${!start:-}"
    printf -v "VP_${name}_PID" '%s' ""
  done
  rm -f "$VP_ENV_RUN/pids" "$VP_ENV_RUN/owner" "$VP_ENV_RUN/xvfb.fifo"
  _vp_restore_vars
  unset VP_PACAT_STARTED
  VP_WINE_STARTED="" _vp_up=""
  return 0
}
