# Shared steps of the end-to-end tests: the built program in its own virtual X server, with a
# temporary settings folder and runtime folder. Source it with the program's path as $1.
set -euo pipefail

ORVALIN=$(readlink -f "$1")
E2E_DIR=$(mktemp -d)
export XDG_CONFIG_HOME="$E2E_DIR/config"
export XDG_RUNTIME_DIR="$E2E_DIR/runtime"
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
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$E2E_DIR"
}
trap e2e_cleanup EXIT

# Fails the test; the program's last words go with it, a sanitizer's report among them.
fail() {
    echo "FAIL: $*" >&2
    [ -s "$E2E_DIR/orvalin.log" ] && tail -n 40 "$E2E_DIR/orvalin.log" >&2
    exit 1
}

# A virtual screen of its own, so that tests never meet another program's windows.
e2e_display() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$E2E_DIR/display" 2>/dev/null &
    XVFB_PID=$!
    local i
    for i in $(seq 100); do
        [ -s "$E2E_DIR/display" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$E2E_DIR/display")"
}

# Writes the phonebook from standard input.
e2e_phonebook() { cat >"$XDG_CONFIG_HOME/Orvalin/puhelinluettelo.conf"; }

sql_quote() { printf "'%s'" "${1//\'/\'\'}"; }

# Stores a setting before the program starts: section, key, value.
e2e_store() {
    sqlite3 "$STORE" "CREATE TABLE IF NOT EXISTS settings (application TEXT NOT NULL,
        section TEXT NOT NULL, key TEXT NOT NULL, value TEXT NOT NULL,
        PRIMARY KEY (application, section, key));
      CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);
      INSERT OR IGNORE INTO meta VALUES ('schema_version', '1');
      INSERT OR REPLACE INTO settings VALUES ('Orvalin', $(sql_quote "$1"), $(sql_quote "$2"),
        $(sql_quote "$3"));"
}

# The stored value of section, key; "<absent>" when there is none.
e2e_setting() {
    local value
    value=$(sqlite3 "$STORE" "SELECT value FROM settings WHERE application = 'Orvalin'
        AND section = $(sql_quote "$1") AND key = $(sql_quote "$2")" 2>/dev/null) || true
    if sqlite3 "$STORE" "SELECT 1 FROM settings WHERE application = 'Orvalin'
        AND section = $(sql_quote "$1") AND key = $(sql_quote "$2")" 2>/dev/null | grep -q 1; then
        printf '%s' "$value"
    else
        printf '<absent>'
    fi
}

# Starts the program in the background, with any command put before it (faketime ...); its pid
# is in ORVALIN_PID, its output in $E2E_DIR/orvalin.log.
e2e_start() {
    "$@" "$ORVALIN" >>"$E2E_DIR/orvalin.log" 2>&1 &
    ORVALIN_PID=$!
    E2E_PIDS+=("$ORVALIN_PID")
}

# Waits until a window with exactly this title is mapped and prints its id.
e2e_wait_window() {
    local title=$1 timeout=${2:-20} id i
    for i in $(seq $((timeout * 10))); do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1) || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    fail "no window \"$title\" within ${timeout}s"
}

# Gives a window the keyboard and sends it keys (xdotool key names).
e2e_keys() {
    local id=$1
    shift
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    xdotool key --delay 50 "$@"
}

e2e_type() {
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    xdotool type --delay 30 "$2"
}

# Waits for a pid to end; fails after the timeout. The exit status is in E2E_STATUS.
e2e_wait_exit() {
    local pid=$1 timeout=${2:-20} i
    for i in $(seq $((timeout * 10))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            E2E_STATUS=0
            wait "$pid" || E2E_STATUS=$?
            return 0
        fi
        sleep 0.1
    done
    fail "process $pid still runs after ${timeout}s"
}

e2e_expect() {
    [ "$2" = "$3" ] || fail "$1: expected \"$3\", got \"$2\""
}

# Types a user name and a password into the start-up window and dials. The password goes to
# xdotool on its standard input, never on a command line.
e2e_dial() {
    local start
    start=$(e2e_wait_window "Orvalin 1.0")
    e2e_keys "$start" Tab
    e2e_type "$start" "$1"
    e2e_keys "$start" Tab
    printf '%s' "$2" | xdotool type --delay 30 --file -
    e2e_keys "$start" alt+o
}

# Demo calls.

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

# Waits for the summary of the meter $1 (it hides before its summary, which carries the same
# title) and prints the summary's window id.
meter_wait_summary() {
    local summary="" i
    for i in $(seq 300); do
        summary=$(meter_visible "Orvalin" | grep -vx "$1" | head -n1) || true
        if [ -n "$summary" ]; then
            echo "$summary"
            return 0
        fi
        sleep 0.1
    done
    fail "no summary within 30 s"
}

# The window ids with exactly this title that are mapped now.
meter_visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }

# Starts the program with its clock running $FAKE_SPEED times faster than real time. The library
# is preloaded directly rather than through the faketime wrapper, which forks: the pid is then the
# program's own, for the signals a test sends it.
meter_start_fast() {
    local library
    library=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n1)
    [ -n "$library" ] || fail "libfaketime is not installed"
    e2e_start env LD_PRELOAD="$library" FAKETIME="+0 x$FAKE_SPEED"
}

now() { date +%s.%N; }
# Seconds of the program's sped-up clock between two real moments.
fake_seconds() { echo "($2 - $1) * $FAKE_SPEED" | bc; }

# Calls through the real dialer: a fake Hayes modem on a pseudo-terminal and the stand-in pppd.
SUPPORT=$(readlink -f "$(dirname "${BASH_SOURCE[0]}")/../support")

# A modem that answers its dial commands with $@ in turn, at $E2E_DIR/modem.
modem_start() {
    rm -f "$E2E_DIR/modem" "$E2E_DIR/received"
    python3 "$SUPPORT/fake_modem.py" "$E2E_DIR/modem" "$E2E_DIR/received" "$@" &
    E2E_PIDS+=($!)
    local i
    for i in $(seq 100); do [ -e "$E2E_DIR/modem" ] && break; sleep 0.05; done
    LOCK=/run/lock/LCK..$(basename "$(readlink -f "$E2E_DIR/modem")")
}

# One modem entry dialed by the pppd at $1; COM1 is the modem's line.
modem_phonebook() {
    e2e_phonebook <<EOF2
[Dialer Modeemi]
Modem = $E2E_DIR/modem
Phone = 0600 1
PPPD Path = $1
[Com Ports]
Com1 = $E2E_DIR/modem
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
