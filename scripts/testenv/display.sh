# shellcheck shell=bash
# The display of the test environment (sourced by scripts/testenv.sh): a private Xvfb.
# Sets DISPLAY.

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
