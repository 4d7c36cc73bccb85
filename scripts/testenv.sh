# shellcheck shell=bash
# Test environment for running the Windows build under wine. Source it:
#
#   source scripts/testenv.sh
#   trap env_down EXIT
#   ...build (at least the target wine_keepalive)...
#   env_up [BUILD]       # private Xvfb + PulseAudio + wine prefix/server/desktop
#   env_audio_settle     # before the first audio capture
#   ctest ...
#
# BUILD is the Windows build whose bin/wine_keepalive.exe keeps wine's desktop up for
# the whole run (default: build/$VP_WINE_ARCH of this repository). Every build of the
# win32 and win64 presets makes it; env_up only checks that it is there.
#
# Everything started here is private to this environment and stopped by PID;
# other X servers, sound servers and wine prefixes on the machine are left alone.
# What starts each part: scripts/testenv/display.sh (Xvfb), sound.sh (PulseAudio),
# wine.sh (wineserver, prefix, keep-alive); processes.sh records and stops them.
#
# Settings (read by env_up):
#   VP_ENV_DIR     persistent folder for the wine prefixes
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

# shellcheck source=scripts/lib.sh
source "$VP_REPO_ROOT/scripts/lib.sh"
# shellcheck source=scripts/testenv/processes.sh
source "$VP_REPO_ROOT/scripts/testenv/processes.sh"
# shellcheck source=scripts/testenv/display.sh
source "$VP_REPO_ROOT/scripts/testenv/display.sh"
# shellcheck source=scripts/testenv/sound.sh
source "$VP_REPO_ROOT/scripts/testenv/sound.sh"
# shellcheck source=scripts/testenv/wine.sh
source "$VP_REPO_ROOT/scripts/testenv/wine.sh"

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
  _vp_wine_stop_stale
  if [ -f "$VP_ENV_RUN/pids" ]; then
    while read -r name pid start; do
      _vp_stop_pid "$pid" "$start"
    done <"$VP_ENV_RUN/pids"
  fi
  return 0
}

env_up() {
  local me build
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
  build="${1:-$VP_REPO_ROOT/build/$VP_WINE_ARCH}"
  case "$build" in /*) ;; *) build="$PWD/$build" ;; esac
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
  if _vp_wine_select && _vp_keepalive_find "$build" && _vp_xvfb_start && _vp_pulse_up && _vp_xvfb_wait &&
     _vp_wine_up; then
    return 0
  fi
  _vp_log "env_up failed; stopping what it started (logs in $VP_ENV_RUN)"
  env_down
  return 1
}

# Stops exactly what env_up started and restores the variables it changed. Always
# returns 0; safe to call twice and after a half-failed env_up (trap env_down EXIT).
env_down() {
  local pid name start
  [ "${_vp_up:-}" = 1 ] || return 0
  if [ "${VP_WINE_STARTED:-}" = 1 ]; then
    _vp_wine_down
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
