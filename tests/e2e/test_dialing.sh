# A busy line, a one-second countdown, a redial that connects, and the meter window opens.
source "$(dirname "$0")/lib.sh" "$1"
e2e_display

e2e_phonebook <<'BOOK'
[Dialer Kokeilu]
Modem = demo
Phone = 0600 12345
Demo Outcomes = busy, connect
Demo Step = 50
Demo Duration = 0
BOOK
e2e_store Asetukset Odotetaan 1

e2e_start
main=$(e2e_wait_window "Orvalin 1.0")
xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
# The user name and password fields, by their places in the window.
xdotool mousemove --window "$main" 150 72 click 1
xdotool type --delay 30 "kokeilija"
xdotool mousemove --window "$main" 150 96 click 1
# Typed from standard input, so that the password shows on no command line.
printf '%s' "kaalisalaatti" | xdotool type --delay 30 --file -
e2e_keys "$main" alt+o

e2e_wait_window "KOKEILU" 10 >/dev/null
started=$(date +%s%N)
e2e_wait_window "Orvalin" 20 >/dev/null
elapsed=$((($(date +%s%N) - started) / 1000000))
# The second attempt connects only after the busy line's one-second countdown.
[ "$elapsed" -ge 900 ] || fail "the meter opened ${elapsed} ms after dialing began, before any redial"
kill -0 "$ORVALIN_PID" || fail "the program ended"
if xdotool search --onlyvisible --name '^KOKEILU$' >/dev/null 2>&1; then
    fail "the dialing window is still shown"
fi
if xdotool search --onlyvisible --name '^Orvalin 1\.0$' >/dev/null 2>&1; then
    fail "the start-up window is shown during the call"
fi
e2e_expect "stored user name" "$(e2e_setting Asetukset Käyttäjä)" "kokeilija"
if grep -rqa "kaalisalaatti" "$XDG_CONFIG_HOME"; then
    fail "the password was written to the settings folder"
fi
if grep -qa "kaalisalaatti" "$E2E_DIR/orvalin.log"; then
    fail "the password was written to the program's output"
fi
echo "busy line redialed after the countdown and the meter opened"
