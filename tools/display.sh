# Sourced by the scripts that run Wine programs with windows, after they set
# WINEPREFIX: the prefix for this run alone, and a display of its own.
#
# A prefix has one Wine server, one virtual desktop, one registry and one C:
# drive. A second run on the same prefix from another display would place its
# windows under the first run's desktop window, which its display does not
# have (BadWindow, the program killed), install and remove the same package
# in the same registry (msiexec 1603), and end the first run's programs when
# it stops its server. So a run waits for the prefix until the run before it
# has ended.
#
# The lock is held by a watcher of this shell rather than by the shell, so
# that no Wine program inherits it: a server left behind by a killed run
# cannot keep the next one waiting, which ends such a server first.
prefix_lock="${WINEPREFIX%/}.lock"
touch "$prefix_lock"
flock -n "$prefix_lock" true || echo "waiting for $WINEPREFIX: another run uses it" >&2
prefix_fifo=$(mktemp -u)
mkfifo "$prefix_fifo"
prefix_owner=$BASHPID  # this shell, also when sourced in a subshell, where $$ is its parent
flock "$prefix_lock" sh -c "echo >'$prefix_fifo'; while kill -0 $prefix_owner 2>/dev/null; do sleep 1; done" &
read -r _ <"$prefix_fifo"
rm -f "$prefix_fifo"
wineserver -k >/dev/null 2>&1 || true

# The display is numbered by Xvfb itself, so that runs side by side never
# share one (mouse capture and focus belong to a display). Sets DISPLAY and
# xvfb; on exit the prefix's Wine server and the display end.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r number <"$fifo"
rm -f "$fifo"
trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=:$number
