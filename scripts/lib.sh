# Shared by the entry scripts, which source it; what a script starts, it stops.

MT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
MT_BUILD_DIR=${MARROWTUNE_BUILD_DIR:-$MT_ROOT/build}
MT_BINARY_DIR=$MT_BUILD_DIR/mingw MT_STARTED_PIDS=() MT_STARTED_WINE=0

mt_log() { printf '[%s] %s\n' "$(basename "$0")" "$*" >&2; }

# Installs the Debian packages that are missing (python3-pil and the font
# draw res/draw_pictures.py's pictures, python3-matplotlib the soak's plot).
mt_install_packages() {
  local wanted=(cmake ninja-build g++-mingw-w64-x86-64 googletest wine wine64 xvfb xcompmgr xdotool imagemagick
                procps python3 python3-pil python3-matplotlib fonts-wqy-microhei xserver-xephyr "$@") missing=() pkg
  for pkg in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  mt_log "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# mt_configure_and_build DIR [cmake options...] [-- build options...], with
# the compiler cache where one is installed.
mt_configure_and_build() {
  local dir=$1 configure=()
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do configure+=("$1"); shift; done
  shift $(($# > 0))
  command -v ccache >/dev/null && configure+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake --preset mingw -B "$dir" ${configure[@]+"${configure[@]}"} >/dev/null
  cmake --build "$dir" "$@"
}

# ctest: each test program whole (label `whole`), or with a -R of the
# caller's the cases it names (`case`); a -L of the caller's decides alone.
# Counts the processes cmake/wine-run started again (docs/testing.md).
mt_run_ctest() {
  local dir=$1 status=0 arg selection=(-L whole)
  shift
  for arg in "$@"; do
    case $arg in
      -L* | --label-regex*) selection=(); break ;;
      -R* | --tests-regex*) selection=(-L case) ;;
    esac
  done
  export MARROWTUNE_RETRY_LOG=$dir/wine-retries.log
  : >"$MARROWTUNE_RETRY_LOG"
  (cd "$dir" && ctest --output-on-failure --timeout 300 ${selection[@]+"${selection[@]}"} "$@") || status=$?
  mt_log "test processes started again after Wine failed to start them: $(wc -l <"$MARROWTUNE_RETRY_LOG")"
  sed 's/^/  /' "$MARROWTUNE_RETRY_LOG" >&2
  return "$status"
}

# Xvfb on a free display and a compositor (per-pixel alpha needs it), even
# when DISPLAY is set (the scenarios move the pointer), unless
# MARROWTUNE_REAL_DISPLAY=1; then the project's own Wine prefix, its server
# kept running (a program then starts in a fraction of a second), without the
# crash dialog that would keep a crashed program waiting for a click.
mt_start_screen_and_wine() {
  local fifo number
  if [ "${MARROWTUNE_REAL_DISPLAY:-0}" = 1 ]; then
    [ -n "${DISPLAY:-}" ] || { mt_log "MARROWTUNE_REAL_DISPLAY=1 needs DISPLAY"; return 1; }
  else
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    MT_STARTED_PIDS+=($!)
    read -r -t 30 number <"$fifo" || { mt_log "Xvfb did not start"; rm -f "$fifo"; return 1; }
    rm -f "$fifo"
    export DISPLAY=":$number"
    xcompmgr -n >/dev/null 2>&1 &
    MT_STARTED_PIDS+=($!)
    mt_log "virtual screen on $DISPLAY"
  fi
  export WINEPREFIX=${MARROWTUNE_WINEPREFIX:-$MT_BUILD_DIR/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mt_log "creating the Wine prefix (first run only)"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  wineserver -p 2>/dev/null || true  # already running for this prefix is fine
  MT_STARTED_WINE=1
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1 || true
}

# A command of the driver (scripts/driver), with Debian's Python and its packages.
mt_driver() { PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 "$MT_ROOT/scripts/driver" "$@"; }

mt_cleanup() {
  [ "$MT_STARTED_WINE" = 0 ] || wineserver -k >/dev/null 2>&1 || true
  MT_STARTED_WINE=0
  local pid
  for pid in "${MT_STARTED_PIDS[@]}"; do kill "$pid" >/dev/null 2>&1 || true; done
  for pid in "${MT_STARTED_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  MT_STARTED_PIDS=()
}
trap mt_cleanup EXIT
trap 'exit 130' INT TERM
