# Shell helpers that the scripts share: source it, after `set -eu`.

# The Wine loader for a prefix of ARCH (win32 or win64, as scripts/wine-arch
# says).
wine_loader() {
    if [ "$1" = win64 ]; then
        echo /usr/lib/wine/wine64
    else
        echo wine
    fi
}

# Stops the Wine server of the prefix PREFIX and every Windows program that
# runs there; does nothing when none runs.
stop_wine() {
    WINEPREFIX="$1" wineserver -k 2>/dev/null || true
}

# Starts Xvfb on a free display and writes "DISPLAY=:N" and "PID=P" to the
# file STATE; fails when it does not start within 10 s.
start_xvfb() {
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$number_file" ] && break
        sleep 0.1
    done
    number=$(cat "$number_file")
    rm -f "$number_file"
    if [ -z "$number" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        echo "Xvfb did not start" >&2
        return 1
    fi
    printf 'DISPLAY=:%s\nPID=%s\n' "$number" "$xvfb_pid" >"$1"
}

# Ends the Xvfb that start_xvfb recorded in STATE, by its process id, and
# removes STATE.
stop_xvfb() {
    [ -f "$1" ] || return 0
    pid=$(sed -n 's/^PID=//p' "$1")
    if [ -n "$pid" ] && kill "$pid" 2>/dev/null; then
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    rm -f "$1"
}

# The display that start_xvfb recorded in STATE.
display_of() {
    sed -n 's/^DISPLAY=//p' "$1"
}

# Waits up to 5 s until something accepts connections on 127.0.0.1:PORT;
# fails when nothing does.
wait_for_port() {
    for _ in $(seq 50); do
        /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1', $1), 1)" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}
