#!/bin/bash
# The processor time the program spends while it meters a call: the built program dials a demo
# entry that stays connected on a virtual screen, and its own user and system time are sampled
# once the meter runs and again at the end.
#
#   bench/metering_cpu.sh PATH/TO/orvalin [seconds]     (default 600)
#
# Prints the CPU seconds per hour of metering (goal: 1 or less).
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${2:-600}
source "$root/tests/e2e/lib.sh" "$1"
source "$root/tests/e2e/meter_lib.sh"
e2e_display
meter_phonebook 0
e2e_start
meter=$(meter_dial)
# The opening's own work is not metering.
sleep 3

# utime and stime, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$ORVALIN_PID/stat"; }
tick=$(getconf CLK_TCK)
before=$(cpu_ticks)
started=$(now)
sleep "$seconds"
after=$(cpu_ticks)
ended=$(now)
kill -0 "$ORVALIN_PID" || fail "the program ended while metering"
[ -n "$(meter_visible Orvalin | grep -x "$meter")" ] || fail "the meter is no longer shown"

echo "$before $after $started $ended $tick" | awk '{
    cpu = ($2 - $1) / $5; wall = $4 - $3;
    printf "metering: %.2f CPU s in %.0f s of a connected call = %.2f CPU s per hour\n",
           cpu, wall, cpu * 3600 / wall }'
kill -TERM "$ORVALIN_PID"
e2e_wait_exit "$ORVALIN_PID" 15
