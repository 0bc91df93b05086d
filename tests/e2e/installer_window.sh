#!/bin/sh
# Runs on a virtual display (DISPLAY set): starts the installer, finds its window by the
# caption, prints the window's size, photographs the screen and closes the program. Every wait
# is bounded.
# Arguments: the instalador program, the screenshot file, and a second screenshot file taken
# after choosing the workstation option and typing a company alias on the "Nuvens" page.
export LC_ALL=C.UTF-8
program=$1
shot=$2
shot2=$3
"$program" &
pid=$!
window=""
tries=0
while [ -z "$window" ] && [ $tries -lt 200 ]; do
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
# The workstation option (259,176), the "Nuvens" tab, the alias edit; the alias is typed in
# small letters and shows in capitals.
xdotool mousemove --window "$window" 266 184 click 1 2>/dev/null
sleep 0.3
xdotool mousemove --window "$window" 318 238 click 1 2>/dev/null
sleep 0.3
xdotool mousemove --window "$window" 300 284 click 1 2>/dev/null
xdotool type --delay 20 "loja centro" 2>/dev/null
xdotool mousemove 0 0 2>/dev/null
sleep 0.5
import -window root "$shot2"
echo "SHOT2 $?"
kill "$pid"
wait "$pid" 2>/dev/null
exit 0
