# Two demo calls in two runs under a stored type-1 tariff (50 penni a call, 20 a minute on
# weekdays 7-17, the provider's 5), each on a Tuesday at 10.00 with the clock ten times faster:
# each 65-second call costs 1 markkaa, the two rows go under "0" and "1", the totals add up, and a
# third run's viewer opens on them and writes them back as they were.
source "$(dirname "$0")/lib.sh" "$1"
FAKE_SPEED=10
e2e_display
meter_phonebook 65
for key in "Puhelu 2" "Arkisin1 2" "Arkisin2 1" "Arkisin2 2" "Arkisin3 1" "Arkisin3 2"; do
    e2e_store "Tyyppi 1" "$key" 0
done
e2e_store "Tyyppi 1" "Puhelu 1" 50
e2e_store "Tyyppi 1" "Arkisin1 1" 20
e2e_store Asetukset Tyyppi "Tyyppi 1"
e2e_store Asetukset Palveluntarjoaja 5
library=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n1)
[ -n "$library" ] || fail "libfaketime is not installed"

call_on_tuesday() {
    e2e_start env LD_PRELOAD="$library" FAKETIME="@2026-12-08 10:00:00 x$FAKE_SPEED"
    local meter summary
    meter=$(meter_dial)
    summary=$(meter_wait_summary "$meter")
    e2e_keys "$summary" Return
    e2e_wait_exit "$ORVALIN_PID" 20
    e2e_expect "exit status" "$E2E_STATUS" 0
}

call_on_tuesday
# 50 for the call, then two begun minutes of 20 + 5 on a weekday morning.
e2e_expect "first call's price" "$(e2e_setting Hinta 0)" "1 markkaa"
e2e_expect "total after one call" "$(e2e_setting Asetukset "Kustannukset 1")" "100"
e2e_expect "first call's date" "$(e2e_setting Päivämäärä 0)" "8. joulukuuta 2026"

call_on_tuesday
e2e_expect "second call's price" "$(e2e_setting Hinta 1)" "1 markkaa"
e2e_expect "total after two calls" "$(e2e_setting Asetukset "Kustannukset 2")" "2"
e2e_expect "rows" "$(sqlite3 "$STORE" "SELECT count(*) FROM settings WHERE section = 'Kesto'")" 2
before=$(sqlite3 "$STORE" "SELECT section, key, value FROM settings WHERE section IN
    ('Päivämäärä', 'Kesto', 'Hinta') ORDER BY 1, 2")

# A third run opens the viewer (Alt+P) and closes it with its Ok (Alt+O).
e2e_start
start=$(e2e_wait_window "Orvalin 1.0" 40)
e2e_keys "$start" alt+p
viewer=$(e2e_wait_window "Yhteyksien Tarkastelu")
e2e_keys "$viewer" alt+o
for i in $(seq 50); do
    [ -z "$(meter_visible "Yhteyksien Tarkastelu")" ] && break
    sleep 0.1
done
[ -z "$(meter_visible "Yhteyksien Tarkastelu")" ] || fail "the viewer did not close"
after=$(sqlite3 "$STORE" "SELECT section, key, value FROM settings WHERE section IN
    ('Päivämäärä', 'Kesto', 'Hinta') ORDER BY 1, 2")
e2e_expect "the log after the viewer" "$after" "$before"
echo "two calls of 1 markkaa logged under 0 and 1; the viewer kept them"
