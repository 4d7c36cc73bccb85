#!/usr/bin/env bash
# Stands in for apt-get, apt-cache, dpkg-query, dpkg and sudo in the setup test (named by
# the link it is called through). Nothing is installed: the packages "installed" are the
# lines of $STAND_IN_DIR/installed, and every call is noted in $STAND_IN_DIR/calls.
#
#   STAND_IN_UPDATE=fail      apt-get update fails as a mirror caught mid-sync does
#   STAND_IN_MISSING="P ..."  apt-get install cannot find these packages
#   STAND_IN_WINE32=ok        wine32:i386 installs
#   STAND_IN_WINE32=align     it installs only with libz aligned to the i386 version
#   STAND_IN_WINE32=refuse    it never installs: apt names libz:i386 each time
set -u
state=$STAND_IN_DIR
tool=$(basename "$0")
echo "$tool $*" >>"$state/calls"

is_installed() { grep -qxF "$1" "$state/installed" || grep -qxF "$1:amd64" "$state/installed"; }

refuse_wine32() {
  cat <<'EOF'
The following packages have unmet dependencies:
 libcurl4:i386 : Depends: libz:i386 (>= 1.0) but it is not going to be installed
                 Depends: libnotmultiarch:i386 (>= 1) but it is not going to be installed
                 Depends: libnotoffered:i386 (>= 1) but it is not going to be installed
E: Unable to correct problems, you have held broken packages.
EOF
  exit 100
}

apt_get() {
  local arg packages=()
  case "$1" in
    update)
      if [ "${STAND_IN_UPDATE:-ok}" = fail ]; then
        echo "Err:6 http://deb.example/debian-security bookworm-security/main i386 Packages"
        echo "  File has unexpected size (374820 != 376004). Mirror sync in progress?"
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
        exit 100
      fi
      exit 0 ;;
    install) shift ;;
    *) exit 100 ;;
  esac
  for arg in "$@"; do
    case "$arg" in -*) continue ;; esac
    for missing in ${STAND_IN_MISSING:-}; do
      if [ "$arg" = "$missing" ]; then echo "E: Unable to locate package $arg"; exit 100; fi
    done
    packages+=("$arg")
  done
  if [[ " ${packages[*]} " == *" wine32:i386 "* ]]; then
    case "${STAND_IN_WINE32:-ok}" in
      refuse) refuse_wine32 ;;
      align) [[ " ${packages[*]} " == *" libz=1.0-i386 libz:i386=1.0-i386 "* ]] || refuse_wine32 ;;
    esac
  fi
  printf '%s\n' "${packages[@]%%=*}" >>"$state/installed"
}

dpkg_query() {           # -W -f=FORMAT NAME
  local format=${2#-f=} name=$3
  is_installed "$name" || exit 1
  case "$format" in
    *Status*) echo -n "install ok installed" ;;
    *Version*) echo -n "1.0-amd64" ;;
  esac
}

# libz can be aligned; libnotmultiarch is not Multi-Arch "same", and libnotoffered's i386
# version is not in the amd64 lists.
apt_cache() {
  local command=$1 name
  shift
  for name in "$@"; do
    case "$name" in -*) continue ;; esac
    case "$command:$name" in
      show:libz:i386 | show:libnotoffered:i386)
        printf 'Package: %s\nArchitecture: i386\nMulti-Arch: same\n\n' "${name%:i386}" ;;
      show:libnotmultiarch:i386) printf 'Package: libnotmultiarch\nArchitecture: i386\n\n' ;;
      policy:*:i386) printf '%s:\n  Installed: (none)\n  Candidate: 1.0-i386\n' "$name" ;;
      madison:libz | madison:libnotmultiarch)
        echo "      $name | 1.0-amd64 | http://deb.example/debian bookworm/main amd64 Packages"
        echo "      $name | 1.0-i386 | http://deb.example/debian bookworm/main amd64 Packages" ;;
      madison:libnotoffered) echo "      $name | 1.0-amd64 | http://deb.example/debian bookworm/main amd64 Packages" ;;
    esac
  done
}

case "$tool" in
  apt-get) apt_get "$@" ;;
  apt-cache) apt_cache "$@" ;;
  dpkg-query) dpkg_query "$@" ;;
  dpkg) [ "$1" = --print-foreign-architectures ] && echo i386 ;;
  sudo) exec "$@" ;;
esac
