#!/bin/bash
# Nothing of a call is lost to a crash: the built program meters a demo call under a sped-up
# clock and is killed with SIGKILL at a random moment of it; the next start recovers the call, and
# sqlite3 then checks the store. Run after run on the same store, so that the totals and the log
# grow together.
#
#   bench/crash.sh PATH/TO/orvalin [runs]     (default 200)
#
# Prints the worst metered time lost (goal: 1 s or less) and the count of bad stores (goal: 0). A
# store is bad when it does not open, its integrity check fails, a logged row lacks a part, the
# stored duration total differs from the sum of the logged durations, or the stored penni total
# lies outside [sum of the logged prices, that sum + one penni per call] (the prices are cut to
# the penni). The metered time is the sped-up time from the meter's window showing to the kill,
# so the figure lost also holds the moment the window takes to show (a few hundredths of a second
# of real time).
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${2:-200}
source "$root/tests/e2e/lib.sh" "$1"
FAKE_SPEED=5
now() { date +%s.%N; }
# Seconds of the program's sped-up clock between two real moments.
fake_seconds() { echo "($2 - $1) * $FAKE_SPEED" | bc; }
e2e_display
meter_phonebook 0
# A charge for the call, each minute and the provider's, so that the money is checked too.
for setting in "Tyyppi 1/Puhelu 1/50" "Tyyppi 1/Arkisin1 1/20" "Tyyppi 1/Arkisin2 1/300" \
    "Tyyppi 1/Arkisin3 1/12" "Tyyppi 1/Arkisin3 2/5" "Asetukset/Palveluntarjoaja/5" \
    "Asetukset/Tyyppi/Tyyppi 1"; do
    IFS=/ read -r section key value <<<"$setting"
    e2e_store "$section" "$key" "$value"
done
worst=0 bad=0
seconds() { awk -F: '{ print $1 * 3600 + $2 * 60 + $3 }' <<<"$1"; }

for run in $(seq "$runs"); do
    meter_start_fast "+0"
    e2e_dial matti demo-salasana
    e2e_until 30 "no meter" e2e_window Orvalin 0 >/dev/null
    opened=$(now)
    sleep "$(awk -v r="$RANDOM" 'BEGIN { printf "%.2f", 0.3 + r / 32767 * 5 }')"
    kill -KILL "$ORVALIN_PID"
    killed=$(now)
    e2e_wait_exit "$ORVALIN_PID"
    metered=$(fake_seconds "$opened" "$killed")

    e2e_start
    recovered=$(e2e_wait_window Orvalin 40)
    e2e_keys "$recovered" Return
    e2e_wait_window "Orvalin 1.0" 40 >/dev/null
    kill -TERM "$ORVALIN_PID"
    e2e_wait_exit "$ORVALIN_PID"

    last=$((run - 1))
    lost=$(echo "$metered - $(seconds "$(e2e_setting Kesto $last)")" | bc)
    [ "$(echo "$lost > $worst" | bc)" = 1 ] && worst=$lost
    problem=$(sqlite3 "$STORE" "PRAGMA integrity_check" 2>&1 | grep -vx ok || true)
    read -r calls whole logged penni < <(sqlite3 -separator ' ' "$STORE" "
        SELECT count(*), sum(d.value <> '' AND k.value GLOB '[0-9][0-9]:[0-9][0-9]:[0-9][0-9]'
                             AND h.value LIKE '% markkaa'),
               sum(substr(k.value, 1, 2) * 3600 + substr(k.value, 4, 2) * 60 + substr(k.value, 7)),
               sum(round(replace(replace(h.value, ' markkaa', ''), ',', '.') * 100))
        FROM settings d JOIN settings k ON k.section = 'Kesto' AND k.key = d.key
                        JOIN settings h ON h.section = 'Hinta' AND h.key = d.key
        WHERE d.section = 'Päivämäärä'")
    total=$(($(e2e_setting Asetukset Tunnit | sed 's/^0*//;s/^$/0/') * 3600 +
             $(e2e_setting Asetukset Minuutit | sed 's/^0*//;s/^$/0/') * 60 +
             $(e2e_setting Asetukset Sekunnit | sed 's/^0*//;s/^$/0/')))
    stored=$(e2e_setting Asetukset "Kustannukset 1" | tr , .)
    [ "$calls" = "$run" ] || problem+=" $calls calls logged after $run runs"
    [ "$whole" = "$calls" ] || problem+=" a row lacks a part"
    [ "$total" = "$logged" ] || problem+=" total $total s, logged $logged s"
    [ "$(echo "$stored >= $penni && $stored <= $penni + $calls" | bc)" = 1 ] ||
        problem+=" $stored penni stored, $penni logged"
    if [ -n "$problem" ]; then
        bad=$((bad + 1))
        echo "run $run: $problem" >&2
    fi
done
echo "$runs calls killed with SIGKILL and recovered"
printf "worst metered time lost: %.2f s (goal: 1 s or less)\n" "$worst"
echo "bad stores: $bad (goal: 0)"
