#!/bin/bash
# The processor time the program spends on a call through a modem against a demo call: two copies
# of the built program, each with settings, runtime folder and virtual screen of its own, meter
# at the same time a demo call and a call dialed through the fake modem on a pseudo-terminal and
# the stand-in pppd. The user and system time of each copy are sampled once its meter runs and
# again at the end.
#
#   bench/modem_cpu.sh PATH/TO/orvalin [seconds]     (default 600)
#
# Prints both copies' CPU seconds and the modem call's share of the demo call's (goal: 1.05 or
# less: the dialer does not poll while the link is up).
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${2:-600}
source "$root/tests/e2e/lib.sh" "$1"

e2e_display
meter_phonebook 0
e2e_start
meter_dial >/dev/null
demo_pid=$ORVALIN_PID

export XDG_CONFIG_HOME="$E2E_DIR/modem-config" XDG_RUNTIME_DIR="$E2E_DIR/modem-runtime"
STORE="$XDG_CONFIG_HOME/Orvalin/Orvalin.sqlite"
mkdir -p "$XDG_CONFIG_HOME/Orvalin" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
e2e_store Asetukset Portti 1
e2e_display
modem_start "CONNECT 33600"
modem_phonebook "$SUPPORT/fake_pppd.py"
modem_run FAKE_PPPD_SCENARIO="up $((seconds + 120))"
e2e_dial kokeilija salasana
e2e_wait_window Orvalin 30 >/dev/null
modem_pid=$ORVALIN_PID
# The opening's own work is not metering.
sleep 3

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
demo_before=$(cpu_ticks "$demo_pid")
modem_before=$(cpu_ticks "$modem_pid")
sleep "$seconds"
demo_after=$(cpu_ticks "$demo_pid")
modem_after=$(cpu_ticks "$modem_pid")
for pid in "$demo_pid" "$modem_pid"; do
    kill -0 "$pid" || fail "a copy ended while metering"
done

awk -v demo=$((demo_after - demo_before)) -v modem=$((modem_after - modem_before)) \
    -v tick="$(getconf CLK_TCK)" -v wall="$seconds" 'BEGIN {
    printf "demo call: %.2f CPU s in %d s\n", demo / tick, wall
    printf "modem call: %.2f CPU s in %d s\n", modem / tick, wall
    printf "modem / demo: %.2f\n", demo ? modem / demo : 0 }'
kill -TERM "$demo_pid" "$modem_pid"
e2e_wait_exit "$demo_pid" 15
e2e_wait_exit "$modem_pid" 15
