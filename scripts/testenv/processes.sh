# shellcheck shell=bash
# The test environment's processes (sourced by scripts/testenv.sh): each one it starts is
# recorded with its start time and stopped by PID, and only while it is still that process.

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
