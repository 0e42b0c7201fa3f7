# A demo call that drops after 65 seconds, run ten times faster than real time: the meter notices
# the end within a second, logs the call, stores the totals and its position, and ends the program
# once the summary is answered.
source "$(dirname "$0")/lib.sh" "$1"
FAKE_SPEED=10
e2e_display
meter_phonebook 65
e2e_store Asetukset Palveluntarjoaja 5
meter_start_fast
meter=$(meter_dial)

summary=$(meter_wait_summary "$meter")

# The totals and the position are stored before the summary shows.
e2e_expect "Tunnit" "$(e2e_setting Asetukset Tunnit)" "00"
e2e_expect "Minuutit" "$(e2e_setting Asetukset Minuutit)" "01"
# The clock counts whole seconds of the wall clock from the first after the meter opens, and the
# probe runs once a second: a 65-second call shows within a second of 65 s.
case "$(e2e_setting Asetukset Sekunnit)" in
04 | 05 | 06) ;;
*) fail "the call lasted 1 min $(e2e_setting Asetukset Sekunnit) s, not within a second of 65 s" ;;
esac
seconds=$(e2e_setting Asetukset Sekunnit)
# Two begun minutes at the provider's 5 penni; the tariffs are all 0.
e2e_expect "Kustannukset 1" "$(e2e_setting Asetukset "Kustannukset 1")" "10"
e2e_expect "Kustannukset 2" "$(e2e_setting Asetukset "Kustannukset 2")" "0,1"
# The design place, 5475 and 5490 twips; this screen has no window manager and no frames.
e2e_expect "Left" "$(e2e_setting Asetukset Left)" "5475"
e2e_expect "Top" "$(e2e_setting Asetukset Top)" "5490"
kill -0 "$ORVALIN_PID" || fail "the program ended before the summary was answered"

e2e_keys "$summary" Return
e2e_wait_exit "$ORVALIN_PID" 20
e2e_expect "exit status" "$E2E_STATUS" 0
e2e_expect "logged duration" "$(e2e_setting Kesto 0)" "00:01:$seconds"
e2e_expect "logged price" "$(e2e_setting Hinta 0)" "0,1 markkaa"
[ "$(e2e_setting Päivämäärä 0)" != "<absent>" ] || fail "no date logged"
echo "call of 00:01:$seconds logged and stored"
