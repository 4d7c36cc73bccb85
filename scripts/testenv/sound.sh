# shellcheck shell=bash
# The sound server of the test environment (sourced by scripts/testenv.sh): a private
# PulseAudio with a null sink as its default, kept running in real time by a silent stream.
# Sets PULSE_SERVER, PULSE_RUNTIME_PATH, PULSE_STATE_PATH and VP_PACAT_STARTED.

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
