#!/usr/bin/env bash
# Starts Tellurix from the build folder, with a simulated instrument on a pty so that a
# newcomer without hardware sees the terminal work at once. The simulator is mapped to a
# free COM number in the build folder's Ports.ini and selected when Settings.ini does not
# exist yet; an existing Settings.ini (a real port chosen in the settings dialog) is left alone.
set -euo pipefail
build=${1:-build}
build=$(cd "$build" && pwd)
sim_link="$build/ttyTellurixSim"
ready="$build/.tellurix-device.ready"
rm -f "$ready"

"$build/tellurix-device" --mode command --link "$sim_link" --ready-file "$ready" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [ -f "$ready" ] && break; sleep 0.05; done
[ -f "$ready" ] || { echo "The device simulator did not start." >&2; exit 1; }

ports_ini="$build/Ports.ini"
settings_ini="$build/Settings.ini"

# The COM number already mapped to the simulator, if any.
com=$(grep -i -E "^\s*COM[0-9]+\s*=\s*${sim_link}\s*$" "$ports_ini" 2>/dev/null | head -n1 \
      | sed -E 's/^\s*[Cc][Oo][Mm]([0-9]+).*/\1/' || true)
if [ -z "$com" ]; then
  # The lowest number without an entry and without a ttyS device of Linux's own numbering.
  for n in $(seq 1 256); do
    grep -q -i -E "^\s*COM${n}\s*=" "$ports_ini" 2>/dev/null && continue
    [ -e "/dev/ttyS$((n - 1))" ] && continue
    com=$n; break
  done
  if [ ! -f "$ports_ini" ]; then
    printf '[PORTS]\r\n' > "$ports_ini"
  fi
  printf 'COM%s=%s\r\n' "$com" "$sim_link" >> "$ports_ini"
fi
if [ ! -f "$settings_ini" ]; then
  printf '[SETTINGS]\r\nComPort=%s\r\nBaudrate=5\r\nPeculiar=1\r\nLanguage=0\r\n' "$((com - 1))" > "$settings_ini"
  echo "Tellurix talks to the device simulator on COM$com ($sim_link)."
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Tellurix under a virtual X server (xvfb-run)."
  xvfb-run -a "$build/tellurix"
else
  "$build/tellurix"
fi
