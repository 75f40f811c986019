#!/bin/bash
# Makes sure an X server answers on display $1 (e.g. :87), starting a private Xvfb there when
# none does; the pid of an Xvfb started here is written to the file $2, so that whoever ends
# the test run can stop it. Exits 0 when a server was already answering, 2 when it started
# one, 1 when none answers. Safe to call before every program: once the server runs it
# costs a socket test.
set -u
display=${1:?display, e.g. :87}
pid_file=${2:?file for the pid of the Xvfb started here}
number=${display#:}
socket=/tmp/.X11-unix/X$number

running() {
    [ -S "$socket" ] && DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1
}

# One starter at a time; nothing started below may inherit the lock.
exec 9>"/tmp/.morvane-xvfb-$number.lock"
flock 9
running && exit 0

# Detached from every pipe of the caller: CTest waits for the pipes of the programs it runs.
setsid Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
echo $! >"$pid_file"
for _ in $(seq 200); do
    running && exit 2
    sleep 0.05
done
echo "start-xvfb.sh: no X server on $display after 10 s" >&2
exit 1
