# Steps the meter's end-to-end tests share: a demo call dialed from the start-up window.

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

# Types a user name and a password into the start-up window and dials; prints the meter's window
# id once it shows. The password goes to xdotool on its standard input, never on a command line.
meter_dial() {
    local start
    start=$(e2e_wait_window "Orvalin 1.0")
    e2e_keys "$start" Tab
    e2e_type "$start" "matti"
    e2e_keys "$start" Tab
    printf '%s' "demo-salasana" | xdotool type --delay 30 --file -
    e2e_keys "$start" alt+o
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
