# A second start shows the one-copy message and ends; the first copy keeps running.
source "$(dirname "$0")/lib.sh" "$1"
e2e_display

e2e_start
first=$ORVALIN_PID
e2e_wait_window "Orvalin 1.0" >/dev/null
# The tariff editors write their sections back a moment after start-up.
for i in $(seq 50); do
    [ "$(e2e_setting "Tyyppi 2" "Arkisin1 2")" = 0 ] && break
    sleep 0.1
done
before=$(sqlite3 "$STORE" "SELECT application, section, key, value FROM settings ORDER BY 1, 2, 3")

e2e_start
second=$ORVALIN_PID
box=$(e2e_wait_window "Orvalin")
xdotool search --name "^Orvalin\$" >/dev/null
e2e_keys "$box" Return
e2e_wait_exit "$second" 10
e2e_expect "exit status of the second copy" "$E2E_STATUS" 0
kill -0 "$first" || fail "the first copy ended"
after=$(sqlite3 "$STORE" "SELECT application, section, key, value FROM settings ORDER BY 1, 2, 3")
e2e_expect "the store" "$after" "$before"
echo "second copy refused, first copy still running"
