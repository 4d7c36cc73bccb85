# shellcheck shell=bash
# Steps the project's scripts share. Source it: source "$(dirname "$0")/lib.sh"
#
#   VP_ROOT                 the repository
#   vp_configure PRESET     installs what is missing and configures build/PRESET, once
#   vp_win32_blocker        why 32-bit Windows programs cannot run here (empty: they can)
#   vp_wine_arch            win32 where this machine runs 32-bit programs, else win64
#                           (VP_WINE_ARCH=win32 or win64 decides instead)
#   vp_wine_loader ARCH     the wine loader for that architecture

VP_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

vp_configure() {
  local preset=$1
  if [ ! -f "$VP_ROOT/build/$preset/build.ninja" ]; then
    "$VP_ROOT/scripts/setup" >&2
    (cd "$VP_ROOT" && cmake --preset "$preset" >/dev/null)
  fi
}

# Why this machine cannot run 32-bit Windows programs; nothing when it can. Only the
# 32-bit loader itself tells: /usr/bin/wine falls back to the 64-bit one when the 32-bit
# wine is missing, and the 32-bit loader needs the kernel's 32-bit support, which some
# kernels leave off.
VP_WINE32_LOADER="${VP_WINE32_LOADER:-/usr/lib/wine/wine}"
vp_win32_blocker() {
  if [ ! -x "$VP_WINE32_LOADER" ]; then
    echo "the 32-bit wine (wine32:i386) is not installed ($VP_WINE32_LOADER is missing; scripts/setup says why)"
  elif ! "$VP_WINE32_LOADER" --version </dev/null >/dev/null 2>&1; then
    echo "this kernel cannot start 32-bit programs ($VP_WINE32_LOADER --version fails: no IA-32 emulation)"
  fi
}

vp_can_run_win32() { [ -z "$(vp_win32_blocker)" ]; }

vp_wine_arch() {
  case "${VP_WINE_ARCH:-auto}" in
    win32 | win64) echo "$VP_WINE_ARCH" ;;
    *) if vp_can_run_win32; then echo win32; else echo win64; fi ;;
  esac
}

vp_wine_loader() {
  # /usr/bin/wine picks the 32-bit loader whenever it is installed: name the 64-bit one.
  if [ "$1" = win64 ]; then command -v wine64 2>/dev/null || echo /usr/lib/wine/wine64; else echo wine; fi
}
