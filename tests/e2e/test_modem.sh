# Calls through the real dialer: a fake Hayes modem on a pseudo-terminal, the stand-in pppd and,
# once, the real pppd.
source "$(dirname "$0")/lib.sh" "$1"
PASSWORD="kaalisalaatti"
e2e_display

e2e_store Asetukset Odotetaan 1
e2e_store Asetukset Portti 1

# A busy line, a redial, the meter; the stand-in pppd ends after 3 s and the probe notices.
modem_start BUSY "CONNECT 33600"
modem_phonebook "$SUPPORT/fake_pppd.py"
modem_run FAKE_PPPD_SCENARIO="up 3"
e2e_dial kokeilija "$PASSWORD"
meter=$(e2e_wait_window Orvalin 30)
e2e_hidden MODEEMI && e2e_hidden "Orvalin 1.0" || fail "a dialing or start-up window shows"
e2e_expect "stored user name" "$(e2e_setting Asetukset Käyttäjä)" "kokeilija"
read -r pppd _ <"$E2E_DIR/pppd"
e2e_expect "the lock's pid" "$(tr -d ' \n' <"$LOCK")" "$pppd"
# A session of its own, so that the link outlives the program and its terminal.
e2e_expect "pppd's session" "$(cut -d' ' -f6 "/proc/$pppd/stat")" "$pppd"
for file in cmdline environ; do
    ! grep -qa "$PASSWORD" "/proc/$pppd/$file" || fail "the password is in pppd's $file"
done
expected=$(printf '%s' "$PASSWORD" | sha256sum | cut -d' ' -f1)
grep -q " $expected " "$E2E_DIR/pppd" || fail "pppd did not read the password: $(cat "$E2E_DIR/pppd")"
[ "$(grep -ao "ATDT0600 1" "$E2E_DIR/received" | wc -l)" = 2 ] || fail "the busy line was not redialed"
summary=$(e2e_wait_window Orvalin 10 "$meter")
[ ! -e "$LOCK" ] || fail "the lock outlived pppd"
e2e_keys "$summary" Return
e2e_wait_exit "$ORVALIN_PID" 20
case "$(e2e_setting Kesto 0)" in 00:00:0[2-5]) ;; *) fail "logged $(e2e_setting Kesto 0) for a 3 s call" ;; esac
! grep -rqa "$PASSWORD" "$XDG_CONFIG_HOME" "$E2E_DIR/received" "$E2E_DIR/orvalin.log" ||
    fail "the password was written down"

# A termination signal while the modem dials ends the program within the hang-up's 3 s.
modem_start silence
modem_run
e2e_dial kokeilija "$PASSWORD"
e2e_wait_window MODEEMI >/dev/null
e2e_until 5 "the modem was not dialed" grep -qa ATDT "$E2E_DIR/received"
kill -TERM "$ORVALIN_PID"
e2e_wait_exit "$ORVALIN_PID" 3
[ ! -e "$LOCK" ] || fail "the signal left the lock"

# The real pppd: without PPP in the kernel it ends at once, and the call with it.
if [ ! -e /dev/ppp ]; then
    modem_start "CONNECT 33600"
    modem_phonebook /usr/sbin/pppd
    modem_run
    e2e_dial kokeilija "$PASSWORD"
    e2e_keys "$(e2e_wait_window Orvalin 30)" Return
    e2e_wait_window "Orvalin 1.0" >/dev/null
    grep -qF "Modeemi: ytimessä ei ole PPP-tukea: " "$E2E_DIR/orvalin.log" ||
        fail "pppd's end was not explained: $(tail -n3 "$E2E_DIR/orvalin.log")"
    [ ! -e "$LOCK" ] || fail "the real pppd's end left the lock"
    kill "$ORVALIN_PID"
    e2e_wait_exit "$ORVALIN_PID"
fi

echo "modem calls dialed, metered and ended"
