#!/usr/bin/env bash
# Regenerates the README's screenshots: the real binary on a private X server, talking to the
# device simulator, once in German and once in English. Needs xvfb, xdotool and imagemagick.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
out=$(mkdir -p "${2:-docs/screenshots}" && cd "${2:-docs/screenshots}" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"

shoot() { # language file
  local dir="$work/lang$1"
  mkdir -p "$dir"
  cp "$build/tellurix" "$dir/"
  "$build/tellurix-device" --mode command --link "$dir/ttySim" --ready-file "$dir/ready" &
  pids+=($!)
  for _ in $(seq 1 100); do [ -f "$dir/ready" ] && break; sleep 0.05; done
  printf '[PORTS]\r\nCOM3=%s\r\n' "$dir/ttySim" > "$dir/Ports.ini"
  printf '[SETTINGS]\r\nComPort=2\r\nBaudrate=5\r\nPeculiar=1\r\nLanguage=%s\r\n' "$1" > "$dir/Settings.ini"
  printf '[SETTINGS]\r\nParam1=AT<CR>\r\nParam2=*IDN?<LF>\r\nParam3=MEAS?<CR>\r\nParam4=<STX>R01<ETX>\r\nParam5=\r\nParam6=\r\nParam7=\r\nParam8=\r\n' > "$dir/DefaultCommands.icf"
  (cd "$dir" && ./tellurix) &
  local app=$!
  local win
  win=$(timeout 15 xdotool search --sync --onlyvisible --pid "$app" --name '^Tellurix$' | head -n1)
  xdotool windowfocus --sync "$win"
  xdotool key --delay 150 F1 F2 F3
  xdotool type --delay 30 'AT<CR>'
  sleep 0.5
  import -window "$win" "$out/$2"
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
}

shoot 0 main-window-de.png
shoot 1 main-window-en.png
echo "Screenshots written to $out"
