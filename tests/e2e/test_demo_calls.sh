# Demo calls run after run, each on a Tuesday at 10.00 with the clock ten times faster than real
# time, under a stored type-1 tariff (50 penni a call, 20 a minute on weekdays 7-17), the
# provider's 5 penni a minute and a one-minute call limit. A 90-second call costs 1 markkaa.
source "$(dirname "$0")/lib.sh" "$1"
FAKE_SPEED=10
e2e_display
meter_phonebook 90
for key in "Puhelu 2" "Arkisin1 2" "Arkisin2 1" "Arkisin2 2" "Arkisin3 1" "Arkisin3 2"; do
    e2e_store "Tyyppi 1" "$key" 0
done
e2e_store "Tyyppi 1" "Puhelu 1" 50
e2e_store "Tyyppi 1" "Arkisin1 1" 20
e2e_store Asetukset Tyyppi "Tyyppi 1"
e2e_store Asetukset Palveluntarjoaja 5
e2e_store Asetukset "Kesto Minuuttia" 1
log_rows() {
    sqlite3 "$STORE" "SELECT section, key, value FROM settings WHERE section IN
        ('Päivämäärä', 'Kesto', 'Hinta') ORDER BY 1, 2"
}

# The first call: at the limit the duration turns pure red and the window flashes amber. A
# screenshot takes a few of the program's sped-up seconds: the moment of red lies after the start
# of the last shot without it and before the end of the first shot with it.
meter_start_fast "@2026-12-08 10:00:00"
meter=$(meter_dial)
opened=$(now)
red="" flashed="" clear_since=0
while [ -z "$red" ] || [ -z "$flashed" ]; do
    start=$(now)
    shot=$(import -window "$meter" png:- 2>/dev/null | convert png:- -format %c histogram:info:-) ||
        break
    moment=$(fake_seconds "$opened" "$(now)")
    if [ -z "$red" ] && grep -qi "#FF0000" <<<"$shot"; then
        red=$moment red_after=$clear_since
    elif [ -z "$red" ]; then
        clear_since=$(fake_seconds "$opened" "$start")
    fi
    [ -z "$flashed" ] && grep -qi "#FFD666" <<<"$shot" && flashed=$moment
done
[ -n "$red" ] && [ -n "$flashed" ] || fail "red at \"$red\", flashing at \"$flashed\""
[ "$(echo "$red >= 60 && $red_after < 88" | bc)" = 1 ] ||
    fail "red between $red_after s and $red s, not at the minute"

# The meter notices the call's end within a second, and has stored the totals and its place (the
# design place: this screen has no window manager) before the summary shows.
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
sleep 2
kill -TERM "$ORVALIN_PID"
e2e_wait_exit "$ORVALIN_PID" 15
e2e_expect "exit status after the signal" "$E2E_STATUS" 0
e2e_hidden Orvalin || fail "a window is still shown"
case "$(e2e_setting Kesto 1)" in 00:00:[1-5]?) ;; *) fail "logged $(e2e_setting Kesto 1)" ;; esac
[ "$(e2e_setting Asetukset "Kustannukset 1")" -gt 100 ] || fail "the signalled call's cost was lost"

# A second copy shows the one-copy message and ends, touching nothing; the first copy's viewer
# (Alt+P) opens on the log and its Ok (Alt+O) writes it back as it was.
e2e_start
first=$ORVALIN_PID
start=$(e2e_wait_window "Orvalin 1.0" 40)
before=$(log_rows)
store_before=$(sqlite3 "$STORE" "SELECT * FROM settings ORDER BY 1, 2, 3")
e2e_start
e2e_keys "$(e2e_wait_window Orvalin)" Return
e2e_wait_exit "$ORVALIN_PID" 10
e2e_expect "exit status of the second copy" "$E2E_STATUS" 0
e2e_expect "the store" "$(sqlite3 "$STORE" "SELECT * FROM settings ORDER BY 1, 2, 3")" "$store_before"
e2e_keys "$start" alt+p
e2e_keys "$(e2e_wait_window "Yhteyksien Tarkastelu")" alt+o
e2e_until 5 "the viewer did not close" e2e_hidden "Yhteyksien Tarkastelu"
e2e_expect "the log after the viewer" "$(log_rows)" "$before"
kill -0 "$first" || fail "the first copy ended"
kill "$first"
e2e_wait_exit "$first"

# A termination signal ends the program while the start-up message about a bad phonebook line is
# up, at once (within a second, but a sanitizer's build on a busy machine takes longer to end).
echo "ei avainta eikä arvoa" >>"$XDG_CONFIG_HOME/Orvalin/puhelinluettelo.conf"
e2e_start
e2e_wait_window Orvalin >/dev/null
kill -TERM "$ORVALIN_PID"
e2e_wait_exit "$ORVALIN_PID" 3
echo "two calls metered, logged and stored; the second copy refused"
