#!/bin/bash
# The processor time the program spends while it meters a call: the built program dials a demo
# entry that stays connected on a virtual screen, and its own user and system time are sampled
# once the meter runs and again at the end.
#
#   bench/metering_cpu.sh PATH/TO/orvalin [seconds]     (default 600)
#
# Prints the CPU seconds per hour of metering (goal: 1 or less), and beside it the same figure of
# two yardsticks from the same build, measured at the same time on the same virtual screen:
# bench_clock_window, a plain Qt window with two lines of text that change once a second, which
# is the least any Qt meter costs on this machine; and bench_clock_window --idle, whose timer
# changes nothing, which is what any Qt program that wakes once a second costs here. The
# yardsticks draw as the program does, over the X connection (QT_XCB_NO_MITSHM=1). Last, a bare
# loop that sleeps a second at a time shows what a wake-up alone costs on this machine.
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${2:-600}
yardstick=$(dirname "$(readlink -f "$1")")/bench_clock_window
[ -x "$yardstick" ] || { echo "build bench_clock_window first: $yardstick" >&2; exit 1; }
source "$root/tests/e2e/lib.sh" "$1"
now() { date +%s.%N; }
e2e_display
meter_phonebook 0
e2e_start
meter=$(meter_dial)
QT_XCB_NO_MITSHM=1 "$yardstick" >/dev/null 2>&1 &
yardstick_pid=$!
QT_XCB_NO_MITSHM=1 "$yardstick" --idle >/dev/null 2>&1 &
idle_pid=$!
perl -e 'select(undef, undef, undef, 1) while 1' &
bare_pid=$!
E2E_PIDS+=("$yardstick_pid" "$idle_pid" "$bare_pid")
pids=("$ORVALIN_PID" "$yardstick_pid" "$idle_pid" "$bare_pid")
names=("metering a connected call" "yardstick, a plain Qt clock window"
       "yardstick, a Qt window woken each second to do nothing"
       "a bare loop that sleeps a second at a time")
# The opening's own work is not metering.
sleep 3

# utime and stime of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
tick=$(getconf CLK_TCK)
before=()
for pid in "${pids[@]}"; do before+=("$(cpu_ticks "$pid")"); done
started=$(now)
sleep "$seconds"
after=()
for pid in "${pids[@]}"; do after+=("$(cpu_ticks "$pid")"); done
ended=$(now)
kill -0 "$ORVALIN_PID" || fail "the program ended while metering"
[ -n "$(e2e_visible Orvalin | grep -x "$meter")" ] || fail "the meter is no longer shown"

for i in "${!pids[@]}"; do
    echo "${before[$i]} ${after[$i]} $started $ended $tick" | awk -v what="${names[$i]}" '{
        cpu = ($2 - $1) / $5; wall = $4 - $3;
        printf "%s: %.2f CPU s in %.0f s = %.2f CPU s per hour\n", what, cpu, wall,
               cpu * 3600 / wall }'
done
kill -TERM "$ORVALIN_PID"
e2e_wait_exit "$ORVALIN_PID" 15
