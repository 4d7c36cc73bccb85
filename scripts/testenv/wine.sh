# shellcheck shell=bash
# Wine in the test environment (sourced by scripts/testenv.sh, after scripts/lib.sh): the
# loader for VP_WINE_ARCH, a prefix of its own made once, a persistent wineserver and the
# desktop keep-alive (tools/wine_keepalive.c) from the Windows build.
# Sets VP_WINE, WINEARCH, WINEDEBUG and WINEDLLOVERRIDES; WINEPREFIX is set by env_up.

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

# The loader for VP_WINE_ARCH, and a check that this machine can run it.
_vp_wine_select() {
  case "$VP_WINE_ARCH" in
    win32)
      export VP_WINE=wine
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
      ;;
    *)
      _vp_log "VP_WINE_ARCH must be win32 or win64, not '$VP_WINE_ARCH'"
      return 1
      ;;
  esac
  command -v "$VP_WINE" >/dev/null 2>&1 || { _vp_log "wine loader not found: $VP_WINE"; return 1; }
}

# The keep-alive of the Windows build env_up was given (BUILD/bin, target wine_keepalive).
# The build makes it, not env_up: checked before anything starts.
_vp_keepalive_find() {
  _vp_keepalive_exe="$1/bin/wine_keepalive.exe"
  if [ ! -f "$_vp_keepalive_exe" ]; then
    _vp_log "no keep-alive at $_vp_keepalive_exe: build it first (cmake --build $1 --target wine_keepalive)"
    return 1
  fi
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
  if [ ! -f "$WINEPREFIX/.vantorplay-ready" ]; then
    rm -rf "$WINEPREFIX"          # no marker: half-made by an interrupted run, start over
    fresh=1
  fi
  mkdir -p "$WINEPREFIX" || return 1
  # shellcheck disable=SC2034  # read by env_down (scripts/testenv.sh)
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

# A server of this prefix left by a run killed before its env_down.
_vp_wine_stop_stale() {
  if [ -n "$(_vp_wineserver_pid)" ]; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
  fi
}

# Ends this prefix's server and the wine processes attached to it, nothing else.
_vp_wine_down() {
  local i pid
  wineserver -k </dev/null >/dev/null 2>&1 || true
  for ((i = 0; i < 250; i++)); do
    [ -z "$(_vp_prefix_pids)" ] && break
    sleep 0.02
  done
  for pid in $(_vp_prefix_pids); do kill -KILL "$pid" 2>/dev/null || true; done
}
