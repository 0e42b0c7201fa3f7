# Shared steps of the end-to-end tests and the benchmarks: the built program in its own virtual X
# server, with a temporary settings folder, runtime folder and home. Source it with the program's
# path as $1.
set -euo pipefail

ORVALIN=$(readlink -f "$1")
SUPPORT=$(readlink -f "$(dirname "${BASH_SOURCE[0]}")/../support")
E2E_DIR=$(mktemp -d)
export XDG_CONFIG_HOME="$E2E_DIR/config" XDG_RUNTIME_DIR="$E2E_DIR/runtime"
# Never the machine's own wvdial configuration: a home of its own, a system file of its own.
export HOME="$E2E_DIR/home" ORVALIN_SYSTEM_WVDIAL="$E2E_DIR/wvdial.conf"
mkdir -p "$XDG_CONFIG_HOME/Orvalin" "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
STORE="$XDG_CONFIG_HOME/Orvalin/Orvalin.sqlite"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
E2E_PIDS=()

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$E2E_DIR"
}
trap e2e_cleanup EXIT

# Fails the test; the program's last words go with it, a sanitizer's report among them.
fail() {
    echo "FAIL: $*" >&2
    [ -s "$E2E_DIR/orvalin.log" ] && tail -n 40 "$E2E_DIR/orvalin.log" >&2
    exit 1
}

e2e_expect() { [ "$2" = "$3" ] || fail "$1: expected \"$3\", got \"$2\""; }

# Runs a command every tenth of a second until it succeeds; after $1 seconds fails with $2.
e2e_until() {
    local timeout=$1 what=$2 i
    for i in $(seq $((timeout * 10))); do
        "${@:3}" && return 0
        sleep 0.1
    done
    fail "$what within ${timeout}s"
}

# A virtual screen of its own, so that tests never meet another program's windows. Without
# -noreset the server resets when its last client leaves, and a program starting meanwhile finds
# no screen.
e2e_display() {
    Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$E2E_DIR/display" 2>/dev/null &
    E2E_PIDS+=($!)
    e2e_until 10 "no virtual screen" test -s "$E2E_DIR/display"
    export DISPLAY=":$(head -n1 "$E2E_DIR/display")"
}

# Writes the phonebook from standard input.
e2e_phonebook() { cat >"$XDG_CONFIG_HOME/Orvalin/puhelinluettelo.conf"; }

sql_quote() { printf "'%s'" "${1//\'/\'\'}"; }

# Stores a setting before the program starts: section, key, value.
e2e_store() {
    sqlite3 "$STORE" "CREATE TABLE IF NOT EXISTS settings (application TEXT NOT NULL, section TEXT
        NOT NULL, key TEXT NOT NULL, value TEXT NOT NULL, PRIMARY KEY (application, section, key));
      CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);
      INSERT OR IGNORE INTO meta VALUES ('schema_version', '1'); INSERT OR REPLACE INTO settings
        VALUES ('Orvalin', $(sql_quote "$1"), $(sql_quote "$2"), $(sql_quote "$3"));"
}

# The stored value of section, key; "<absent>" when there is none.
e2e_setting() {
    sqlite3 "$STORE" "SELECT coalesce((SELECT value FROM settings WHERE application = 'Orvalin'
        AND section = $(sql_quote "$1") AND key = $(sql_quote "$2")), '<absent>')"
}

# Starts the program in the background, with any command put before it (env ...); its pid is in
# ORVALIN_PID, its output in $E2E_DIR/orvalin.log.
e2e_start() {
    "$@" "$ORVALIN" >>"$E2E_DIR/orvalin.log" 2>&1 &
    ORVALIN_PID=$!
    E2E_PIDS+=("$ORVALIN_PID")
}

# The window ids with exactly this title that are mapped now.
e2e_visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }
e2e_hidden() { [ -z "$(e2e_visible "$1")" ]; }

# Waits until a window with exactly the title $1, other than the window $3, is mapped and prints
# its id.
e2e_window() {
    local ids
    ids=$(e2e_visible "$1" | grep -vx "$2") && echo "${ids%%$'\n'*}"
}
e2e_wait_window() { e2e_until "${2:-20}" "no window \"$1\"" e2e_window "$1" "${3:-0}"; }

# Gives a window the keyboard and sends it keys (xdotool key names).
e2e_keys() {
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    xdotool key --delay 50 "${@:2}"
}

# Waits for a pid to end; fails after the timeout. The exit status is in E2E_STATUS.
e2e_ended() { ! kill -0 "$1" 2>/dev/null; }
e2e_wait_exit() {
    e2e_until "${2:-20}" "process $1 did not end" e2e_ended "$1"
    E2E_STATUS=0
    wait "$1" || E2E_STATUS=$?
}

# Types a user name and a password into the start-up window and dials. The password goes to
# xdotool on its standard input, never on a command line.
e2e_dial() {
    local start
    start=$(e2e_wait_window "Orvalin 1.0" 40)
    e2e_keys "$start" Tab
    xdotool type --delay 30 "$1"
    e2e_keys "$start" Tab
    printf '%s' "$2" | xdotool type --delay 30 --file -
    e2e_keys "$start" alt+o
}

# Writes a phonebook with one demo entry that connects at once and drops after $1 seconds
# (0: never).
meter_phonebook() {
    e2e_phonebook <<EOF2
[Dialer Demo]
Modem = demo
Phone = 0600 12345
Demo Outcomes = connect
Demo Step = 50
Demo Duration = $1
Demo Port = 1
EOF2
}

# Dials the demo entry; prints the meter's window id once it shows.
meter_dial() {
    e2e_dial matti demo-salasana
    e2e_wait_window "Orvalin" 30
}

# Starts the program with its clock at the faketime time $1 (e.g. "+0", "@2026-12-08 10:00:00")
# running $FAKE_SPEED times faster than real time. The library is preloaded directly rather than
# through the faketime wrapper, which forks: the pid is then the program's own, for the signals a
# test sends it. LeakSanitizer's stop-the-world tracer now and then crashes at the exit of a
# program under libfaketime, so leaks are left to the runs without it.
meter_start_fast() {
    local library
    library=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n1)
    [ -n "$library" ] || fail "libfaketime is not installed"
    e2e_start env LD_PRELOAD="$library" FAKETIME="$1 x$FAKE_SPEED" \
        ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
}

# A modem that answers its dial commands with $@ in turn, at $E2E_DIR/modem$$ (named for this
# run, since the line is also locked under that name in the machine's one lock folder, which
# another run at the same time uses too); its line's UUCP lock is $LOCK.
modem_start() {
    rm -f "$E2E_DIR/modem$$" "$E2E_DIR/received"
    python3 "$SUPPORT/fake_modem.py" "$E2E_DIR/modem$$" "$E2E_DIR/received" "$@" &
    E2E_PIDS+=($!)
    e2e_until 5 "no modem" test -e "$E2E_DIR/modem$$"
    LOCK=/run/lock/LCK..$(basename "$(readlink -f "$E2E_DIR/modem$$")")
}

# One modem entry dialed by the pppd at $1; COM1 is the modem's line.
modem_phonebook() {
    e2e_phonebook <<EOF2
[Dialer Modeemi]
Modem = $E2E_DIR/modem$$
Phone = 0600 1
PPPD Path = $1
[Com Ports]
Com1 = $E2E_DIR/modem$$
EOF2
}

# Starts the program and answers the start-up message when the machine lacks something a real
# call needs (here: no PPP in the kernel).
modem_run() {
    e2e_start env FAKE_PPPD_RECORD="$E2E_DIR/pppd" "$@"
    e2e_wait_window "Orvalin 1.0" >/dev/null
    if [ ! -e /dev/ppp ]; then
        e2e_keys "$(e2e_wait_window Orvalin)" Return
        grep -q "Modeemi: .*PPP-tukea" "$E2E_DIR/orvalin.log" || fail "no start-up line for /dev/ppp"
    fi
}
