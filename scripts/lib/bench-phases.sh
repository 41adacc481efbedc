# What the benchmarks that read ResoLaunch's figures from Linux share: under
# Wine 8, GetProcessTimes and the private bytes of another process tell
# nothing. Sourced after wine_session; uses $WORK and $WINEPREFIX.

# The ids of this session's prefix's processes of the program NAME (its file name).
prefix_processes() {
  local file pid program
  for file in /proc/[0-9]*/cmdline; do
    pid=${file#/proc/}
    pid=${pid%/cmdline}
    { IFS= read -r -d '' program <"$file"; } 2>/dev/null || continue
    case "$program" in *"$1") ;; *) continue ;; esac
    grep -qzxF "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null && echo "$pid"
  done
}

# The processor time of the ResoLaunch.exe processes, in clock ticks.
resolaunch_ticks() {
  local pid total=0
  for pid in $(prefix_processes ResoLaunch.exe); do
    total=$((total + $(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)))
  done
  echo "$total"
}

# The anonymous resident memory (RssAnon, KiB) of the processes of the
# program NAME, with ARGUMENT on their command line when given: each whole
# Wine process, Wine's own part with it.
anonymous_kib() {
  local pid total=0
  for pid in $(prefix_processes "$1"); do
    if [ -n "${2:-}" ] && ! grep -qaF -- "$2" "/proc/$pid/cmdline" 2>/dev/null; then continue; fi
    total=$((total + $(awk '$1 == "RssAnon:" { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)))
  done
  echo "$total"
}

# Notes the figures as the driver marks each phase's beginning and end in
# $1 (the phase file), appending "PHASE TICKS RESOLAUNCH_KIB IDLE_KIB GUARD_KIB"
# lines to $2 (IDLE: bench/idle_process.exe, a baseline; GUARD: the
# ResoLaunch.exe started with --guard=), until $WORK/sampler.stop.
sample_phases() {
  local phases=$1 ticks=$2 seen=0 lines
  while [ ! -e "$WORK/sampler.stop" ]; do
    lines=0
    if [ -f "$phases" ]; then lines=$(wc -l <"$phases"); fi
    while [ "$seen" -lt "$lines" ]; do
      seen=$((seen + 1))
      echo "$(sed -n "${seen}p" "$phases" | tr -d "\r") $(resolaunch_ticks) $(anonymous_kib ResoLaunch.exe)" \
        "$(anonymous_kib idle_process.exe) $(anonymous_kib ResoLaunch.exe --guard=)" >>"$ticks"
      echo "$seen" >"$phases.read"  # the driver goes on once its mark is read
    done
    sleep 0.05
  done
}

# Ms of processor time between phase $1's marks in the ticks file $2.
phase_ms() {
  awk -v phase="$1" -v hz="$(getconf CLK_TCK)" '
    $1 == phase "-begin" { begin = $2 } $1 == phase "-end" { end = $2 }
    END { if (begin == "" || end == "") exit 1; print (end - begin) * 1000 / hz }' "$2" 2>/dev/null
}
