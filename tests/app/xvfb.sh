#!/bin/sh
# A virtual X server for the tests that need a real display.
#   xvfb.sh start <dir>   starts Xvfb on a free display; writes the display
#                         number to <dir>/xvfb.display and its pid to
#                         <dir>/xvfb.pid
#   xvfb.sh stop <dir>    stops the Xvfb started there, by its pid
#   xvfb.sh run <dir> <program> [args...]
#                         runs the program on that display (xcb platform)
set -eu
command=$1
dir=$2
shift 2
case $command in
start)
    mkdir -p "$dir"
    rm -f "$dir/xvfb.display" "$dir/xvfb.pid"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/xvfb.display" >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    tries=0
    while [ ! -s "$dir/xvfb.display" ] && [ $tries -lt 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    if [ ! -s "$dir/xvfb.display" ]; then
        echo "Xvfb did not start; see $dir/xvfb.log" >&2
        exit 1
    fi
    ;;
stop)
    if [ -s "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    fi
    rm -f "$dir/xvfb.pid" "$dir/xvfb.display"
    ;;
run)
    display=$(head -n 1 "$dir/xvfb.display")
    DISPLAY=":$display" QT_QPA_PLATFORM=xcb exec "$@"
    ;;
*)
    echo "usage: xvfb.sh start|stop|run <dir> ..." >&2
    exit 2
    ;;
esac
