# shellcheck shell=bash
# Sourced by every script that runs Wine: one Wine session per script.
#
#   wine_session NAME xvfb|xinerama|current|none
#
# starts a session: the prefix build/wineprefix-NAME (or RESOLAUNCH_WINEPREFIX),
# created on first use; a private Xvfb (xvfb), one with two Xinerama screens
# (xinerama: Wine then lists two displays, without a virtual desktop), the
# DISPLAY already set (current) or no display at all (none); the prefix's wineserver in the
# Japanese locale; a scratch folder $WORK; and an EXIT trap that stops all of
# it again. Each script has a prefix of its own, so ending a session (which
# ends every program of its prefix) never touches another script's programs.
# Nothing is stopped outside the session's prefix and its own Xvfb.
#
# Then: wine_run CMD... runs a Wine program in the Japanese locale;
# wine_start LOG CMD... starts one in the background (its PID in WINE_PID),
# with its output in LOG; wine_desktop_batch runs batch commands in a Wine
# virtual desktop and waits for them; wine_log NAME names a log file in
# build/logs that is the session's own; win_path PATH gives the Windows path
# of a file; wait_for SECONDS CMD... waits for CMD to succeed;
# wine_session_end ends the session before the script does.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
RESOLAUNCH_LOG_DIR="$ROOT/build/logs"
# Japanese Windows: ANSI code page 932. Wine reads it when the wineserver starts.
RESOLAUNCH_WINE_LOCALE=ja_JP.UTF-8
# Where Debian's fonts-wine puts Wine's own fonts (Marlett, Tahoma, the
# bitmap system fonts).
RESOLAUNCH_WINE_FONTS=/usr/share/wine/fonts
export WINEDEBUG=-all
export WINEARCH=win64
# No Mono or Gecko installers; winemenubuilder would turn shortcuts the
# programs make into menu entries and .desktop files on the Linux side.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

WINE_SESSION=""
WINE_LOG_PREFIX=""
WINE_PID=""
WINE_PIDS=()
WINE_DESKTOP_STATUS=""
XVFB_PID=""
WORK=""

wine_run() { LC_ALL=$RESOLAUNCH_WINE_LOCALE wine "$@"; }

# Starts a Wine program in the background with its output in $1; its PID is
# in WINE_PID, and the session waits for it when it ends.
wine_start() {
  local log=$1
  shift
  wine_run "$@" >"$log" 2>&1 &
  WINE_PID=$!
  WINE_PIDS+=("$WINE_PID")
}

# A log file of this session: build/logs/PREFIX-NAME.log, after the prefix's
# folder name, so that sessions side by side keep their logs apart.
wine_log() { echo "$RESOLAUNCH_LOG_DIR/$WINE_LOG_PREFIX-$1.log"; }

# Converts a Linux path to the Windows path Wine sees.
win_path() { LC_ALL=$RESOLAUNCH_WINE_LOCALE winepath -w "$1" 2>/dev/null; }

# Waits up to $1 seconds for the command in the remaining arguments to succeed.
wait_for() {
  local timeout=$1
  shift
  local deadline=$((SECONDS + timeout))
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then return 1; fi
    sleep 0.05
  done
}

#   wine_desktop_batch DESKTOP SECONDS < COMMANDS
#
# Runs the batch commands read from stdin (UTF-8 text, one command a line) in
# a 1024x768 Wine virtual desktop named DESKTOP, where display modes really
# enumerate and switch, and waits up to SECONDS for them to end. Wine's
# explorer does not pass on the exit status of what it starts: the batch
# writes the status of its last command to a file, and the function puts it
# in WINE_DESKTOP_STATUS (empty when the batch did not end in time, then the
# function fails). Explorer's output goes to the log wine_log DESKTOP.
wine_desktop_batch() {
  local desktop=$1 timeout=$2
  local batch="$WORK/$desktop.cmd" status="$WORK/$desktop.status"
  rm -f "$status"
  WINE_DESKTOP_STATUS=""
  # cmd reads a batch file in the ANSI code page, 932 here.
  {
    printf '@echo off\r\n'
    sed 's/\r*$/\r/'
    printf 'echo %%ERRORLEVEL%% >"%s"\r\n' "$(win_path "$status")"
  } | iconv -f UTF-8 -t CP932 >"$batch"
  wine_start "$(wine_log "$desktop")" explorer "/desktop=$desktop,1024x768" cmd /c "$(win_path "$batch")"
  # shellcheck disable=SC2317  # run by wait_for
  _wine_desktop_ended() { [ -s "$status" ]; }
  if ! wait_for "$timeout" _wine_desktop_ended; then
    echo "the Wine desktop $desktop did not finish within $timeout s (see $(wine_log "$desktop"))" >&2
    return 1
  fi
  # shellcheck disable=SC2034  # read by the scripts that source this one
  WINE_DESKTOP_STATUS=$(tr -dc '0-9-' <"$status")
}

wine_session() {
  local name=$1 display=$2
  case "$display" in xvfb | xinerama | current | none) ;; *)
    echo "wine_session: no display mode '$display'" >&2
    return 2
    ;;
  esac
  WINE_SESSION=$name
  export WINEPREFIX="${RESOLAUNCH_WINEPREFIX:-$ROOT/build/wineprefix-$name}"
  WINE_LOG_PREFIX=${WINEPREFIX##*/}
  WINE_LOG_PREFIX=${WINE_LOG_PREFIX#wineprefix-}
  mkdir -p "$RESOLAUNCH_LOG_DIR"
  : >"$(wine_log wine)"
  WORK=$(mktemp -d "${TMPDIR:-/tmp}/resolaunch-$name.XXXXXX")
  trap wine_session_end EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM

  case "$display" in
    xvfb) _wine_start_xvfb -screen 0 1280x1024x24 || return 1 ;;
    xinerama)
      _wine_start_xvfb +xinerama -extension RANDR -screen 0 1024x768x24 -screen 1 800x600x24 || return 1
      ;;
    current)
      if [ -z "${DISPLAY:-}" ]; then
        echo "wine_session: no DISPLAY set" >&2
        return 1
      fi
      ;;
    none) unset DISPLAY ;;
  esac
  _wine_start_server
}

# Stops what the session started: the prefix's programs and wineserver, the
# background programs' launchers, Xvfb, and the scratch folder. Runs once.
wine_session_end() {
  [ -n "$WINE_SESSION" ] || return 0
  WINE_SESSION=""
  _wine_stop_server
  local pid
  for pid in "${WINE_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  WINE_PIDS=()
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
  if [ -n "$WORK" ]; then rm -rf "$WORK"; fi
  WORK=""
}

# A private Xvfb with the screens in the arguments, on a display number it
# picks itself: it writes the number to a pipe once it takes connections, or
# closes the pipe when it cannot start.
_wine_start_xvfb() {
  local fifo="$WORK/xvfb-display" log number=""
  log=$(wine_log xvfb)
  mkfifo "$fifo"
  Xvfb -displayfd 3 "$@" -nolisten tcp 3>"$fifo" >"$log" 2>&1 &
  XVFB_PID=$!
  read -r -t 30 number <"$fifo" || true
  case "$number" in
    '' | *[!0-9]*)
      echo "Xvfb did not start (see $log)" >&2
      return 1
      ;;
  esac
  export DISPLAY=":$number"
}

# Ends every program of this prefix and its wineserver. Programs that
# outlived a crashed wineserver (Wine 8 leaves them hanging) are ended by
# their PIDs: Wine's processes whose environment names this prefix.
_wine_stop_server() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  local file pid pids=()
  while read -r file; do
    pid=${file#/proc/}
    pid=${pid%/environ}
    case "$(readlink "/proc/$pid/exe" 2>/dev/null)" in */wine*) pids+=("$pid") ;; esac
  done < <(grep -lzxF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null)
  if [ ${#pids[@]} -gt 0 ]; then kill -KILL "${pids[@]}" 2>/dev/null || true; fi
}

# Ends a wineserver left running in this prefix (it may hold another locale),
# creates the prefix on first use, and starts the wineserver and Wine's
# services, with their output in a file: they keep inherited pipes open.
_wine_start_server() {
  local log
  log=$(wine_log wine)
  _wine_stop_server
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix $WINEPREFIX (once, 10-20 s)" >&2
    mkdir -p "$WINEPREFIX"
    if ! LC_ALL=$RESOLAUNCH_WINE_LOCALE wineboot -i >>"$log" 2>&1; then
      echo "could not create the Wine prefix (see $log)" >&2
      return 1
    fi
    # No crash dialog left on the desktop by a program that crashes.
    wine_run reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >>"$log" 2>&1
  fi
  _wine_link_fonts
  LC_ALL=$RESOLAUNCH_WINE_LOCALE wineboot >>"$log" 2>&1
}

# Debian's Wine 8 looks for its own fonts in "<data dir>\../fonts", a path that
# does not resolve, and so never loads the ones fonts-wine installs; without
# Marlett, caption buttons show the letters "0 1 r". The prefix's Fonts folder
# is always searched: link them there.
_wine_link_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" font
  [ -d "$RESOLAUNCH_WINE_FONTS" ] || return 0
  mkdir -p "$fonts"
  for font in "$RESOLAUNCH_WINE_FONTS"/*; do
    [ -e "$fonts/${font##*/}" ] || ln -sfn "$font" "$fonts/${font##*/}"
  done
}
