# Sourced by the scripts that run Wine programs with windows: a display of
# their own, numbered by Xvfb itself, so that runs side by side never share
# one (mouse capture and focus belong to a display). Sets DISPLAY and xvfb;
# on exit the prefix's Wine server and the display end.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r number <"$fifo"
rm -f "$fifo"
trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=:$number
