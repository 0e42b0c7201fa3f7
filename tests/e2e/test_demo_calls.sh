# Demo calls run after run, each on a Tuesday at 10.00 with the clock ten times faster than real
# time, under a stored type-1 tariff (50 penni a call, 20 a minute on weekdays 7-17), the
# provider's 5 penni a minute and a one-minute call limit. A 90-second call costs 1 markkaa.
source "$(dirname "$0")/lib.sh" "$1"
FAKE_SPEED=10
e2e_display
meter_phonebook 90
for amount in "Puhelu 1=50" "Puhelu 2=0" "Arkisin1 1=20" "Arkisin1 2=0" "Arkisin2 1=0" \
    "Arkisin2 2=0" "Arkisin3 1=0" "Arkisin3 2=0"; do
    e2e_store "Tyyppi 1" "${amount%=*}" "${amount#*=}"
done
e2e_store Asetukset Tyyppi "Tyyppi 1"
e2e_store Asetukset Palveluntarjoaja 5
e2e_store Asetukset "Kesto Minuuttia" 1

# The first call: the meter notices its end within a second, and has stored the totals and its
# place (the design place: this screen has no window manager) before the summary shows.
meter_start_fast "@2026-12-08 10:00:00"
meter=$(meter_dial)
summary=$(e2e_wait_window Orvalin 30 "$meter")
seconds=$(e2e_setting Asetukset Sekunnit)
case "$seconds" in 29 | 30 | 31 | 32) ;; *) fail "a 90-second call lasted 1 min $seconds s" ;; esac
for expected in Tunnit=00 Minuutit=01 "Kustannukset 1=100" "Kustannukset 2=1" Left=5475 Top=5490; do
    e2e_expect "${expected%=*}" "$(e2e_setting Asetukset "${expected%=*}")" "${expected#*=}"
done
kill -0 "$ORVALIN_PID" || fail "the program ended before the summary was answered"
e2e_keys "$summary" Return
e2e_wait_exit "$ORVALIN_PID"
e2e_expect "exit status" "$E2E_STATUS" 0
e2e_expect "logged call" "$(e2e_setting Päivämäärä 0)/$(e2e_setting Kesto 0)/$(e2e_setting Hinta 0)" \
    "8. joulukuuta 2026/00:01:$seconds/1 markkaa"

# A termination signal ends the second run's call with the call logged under "1" and its cost
# added to the totals, without a summary waiting for anyone.
meter_start_fast "@2026-12-08 10:00:00"
meter_dial >/dev/null
ten_seconds() { [ "$(sqlite3 "$STORE" "SELECT duration >= '00:00:10' FROM journal")" = 1 ]; }
e2e_until 10 "no ten seconds of the call journalled" ten_seconds
kill -TERM "$ORVALIN_PID"
e2e_wait_exit "$ORVALIN_PID" 15
e2e_expect "exit status after the signal" "$E2E_STATUS" 0
e2e_hidden Orvalin || fail "a window is still shown"
case "$(e2e_setting Kesto 1)" in 00:00:[1-5]?) ;; *) fail "logged $(e2e_setting Kesto 1)" ;; esac
[ "$(e2e_setting Asetukset "Kustannukset 1")" -gt 100 ] || fail "the signalled call's cost was lost"

# A second copy shows the one-copy message and ends, touching nothing.
e2e_start
first=$ORVALIN_PID
e2e_wait_window "Orvalin 1.0" 40 >/dev/null
store_before=$(sqlite3 "$STORE" "SELECT * FROM settings ORDER BY 1, 2, 3")
e2e_start
e2e_keys "$(e2e_wait_window Orvalin)" Return
e2e_wait_exit "$ORVALIN_PID" 10
e2e_expect "exit status of the second copy" "$E2E_STATUS" 0
e2e_expect "the store" "$(sqlite3 "$STORE" "SELECT * FROM settings ORDER BY 1, 2, 3")" "$store_before"
kill -0 "$first" || fail "the first copy ended"
# A closed terminal (SIGHUP) ends the first copy as the user's close would.
kill -HUP "$first"
e2e_wait_exit "$first"
e2e_expect "exit status after SIGHUP" "$E2E_STATUS" 0

# Ctrl+C in its terminal ends the program as its close does, also while the start-up message
# about a bad phonebook line is up, at once (within a second, but a sanitizer's build on a busy
# machine takes longer to end).
echo "ei avainta eikä arvoa" >>"$XDG_CONFIG_HOME/Orvalin/puhelinluettelo.conf"
e2e_start
e2e_wait_window Orvalin >/dev/null
kill -INT "$ORVALIN_PID"
e2e_wait_exit "$ORVALIN_PID" 3
e2e_expect "exit status after Ctrl+C" "$E2E_STATUS" 0

# A store the program cannot use is said, and the start fails.
echo "Tämä ei ole asetustiedosto." >"$STORE"
e2e_start
e2e_keys "$(e2e_wait_window Orvalin)" Return
e2e_wait_exit "$ORVALIN_PID" 10
e2e_expect "exit status with a damaged store" "$E2E_STATUS" 1

# A call across midnight is journalled under the new day once it comes. The X server going away
# in the middle of a call ends the run with a failure, not a crash: the call's journal is there
# for the next start. (The virtual screen is the first process started.)
rm "$STORE"
meter_phonebook 0
meter_start_fast "@2026-12-08 23:58:00"
meter_dial >/dev/null
next_day() { [ "$(sqlite3 "$STORE" "SELECT date FROM journal")" = "9. joulukuuta 2026" ]; }
e2e_until 30 "the journal's date did not turn at midnight" next_day
kill "${E2E_PIDS[0]}"
e2e_wait_exit "$ORVALIN_PID" 15
e2e_expect "exit status when the X server went" "$E2E_STATUS" 1
echo "two calls metered, logged and stored; the second copy and a damaged store refused"
