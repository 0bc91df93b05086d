#!/bin/sh
# Runs inside xvfb-run: starts the installer, finds its window by the caption, prints the
# window's size, photographs the screen and closes the program. Every wait is bounded.
# Arguments: the instalador program, the screenshot file.
export LC_ALL=C.UTF-8
program=$1
shot=$2
"$program" &
pid=$!
window=""
tries=0
while [ -z "$window" ] && [ $tries -lt 100 ]; do
  window=$(xdotool search --name "VareloSoft - Instalação" 2>/dev/null | head -n 1)
  [ -z "$window" ] && sleep 0.1
  tries=$((tries + 1))
done
if [ -z "$window" ]; then
  echo "WINDOW NOT FOUND"
  kill "$pid" 2>/dev/null
  exit 1
fi
# Give the window a moment to paint its pictures before the photograph.
sleep 1
xdotool getwindowgeometry "$window"
import -window root "$shot"
echo "SHOT $?"
kill "$pid"
wait "$pid" 2>/dev/null
exit 0
