#!/bin/bash
# What the program costs while it meters a call: the built program dials a demo entry that stays
# connected on a virtual screen, with a log of earlier calls, and its processor time, its
# wake-ups and its resident memory are read once the meter runs and again at the end.
#
#   bench/metering_cpu.sh PATH/TO/orvalin [seconds] [logged calls]   (defaults: 600, 1000)
#
# Prints, for the program and beside it for yardsticks from the same build measured at the same
# time on the same virtual screen: the CPU seconds per hour, their ratio to the plain clock, the
# context switches per second summed over all threads (each is a wake-up of a thread that waited:
# a timer, an I/O wait), and the resident memory at the end. The yardsticks:
# bench_clock_window, a plain Qt window with two lines of text that change once a second, the
# least any Qt meter costs on this machine; bench_clock_journal, the same clock that also writes
# a running call's journal durably once a second through the program's own store, on the same
# disk as the program's store: the floor of a meter that loses at most a second of a call;
# bench_clock_window --idle, whose timer changes nothing, what any Qt program that wakes once a
# second costs here. The clocks draw as the program does, over the X connection
# (QT_XCB_NO_MITSHM=1). Then a bare loop that sleeps a second at a time: a wake-up alone. Last,
# the meter against the plain clock and against the clock that journals, its floor.
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${2:-600}
calls=${3:-1000}
bin=$(dirname "$(readlink -f "$1")")
for yardstick in bench_clock_window bench_clock_journal; do
    [ -x "$bin/$yardstick" ] || { echo "build $yardstick first: $bin/$yardstick" >&2; exit 1; }
done
source "$root/tests/e2e/lib.sh" "$1"
now() { date +%s.%N; }
e2e_display
meter_phonebook 0
if ((calls > 0)); then
    e2e_store Asetukset Käyttäjä matti
    sqlite3 "$STORE" "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < $calls - 1)
        INSERT INTO settings SELECT 'Orvalin', s.section, i, s.value FROM n, (SELECT 'Päivämäärä'
        AS section, '8. joulukuuta 2026' AS value UNION ALL SELECT 'Kesto', '00:12:34' UNION ALL
        SELECT 'Hinta', '3,4 markkaa') AS s"
fi
e2e_start
meter=$(meter_dial)
mkdir -p "$E2E_DIR/clock"
QT_XCB_NO_MITSHM=1 "$bin/bench_clock_window" >/dev/null 2>&1 &
clock_pid=$!
QT_XCB_NO_MITSHM=1 "$bin/bench_clock_journal" "$E2E_DIR/clock" >/dev/null 2>&1 &
journal_pid=$!
QT_XCB_NO_MITSHM=1 "$bin/bench_clock_window" --idle >/dev/null 2>&1 &
idle_pid=$!
perl -e 'select(undef, undef, undef, 1) while 1' &
bare_pid=$!
E2E_PIDS+=("$clock_pid" "$journal_pid" "$idle_pid" "$bare_pid")
pids=("$ORVALIN_PID" "$clock_pid" "$journal_pid" "$idle_pid" "$bare_pid")
names=("metering a connected call ($calls calls logged)" "yardstick, a plain Qt clock window"
       "yardstick, the clock writing the journal durably"
       "yardstick, a Qt window woken each second to do nothing"
       "a bare loop that sleeps a second at a time")
# The opening's own work is not metering.
sleep 3

# The processor time of a process in nanoseconds and its context switches, both summed over its
# threads (the scheduler's own counts: precise where the clock ticks of /proc/PID/stat are not).
sample() {
    cat /proc/"$1"/task/*/schedstat | awk '{ n += $1 } END { printf "%d ", n }'
    cat /proc/"$1"/task/*/status | awk '/ctxt_switches/ { n += $2 } END { print n }'
}
before=()
for pid in "${pids[@]}"; do before+=("$(sample "$pid")"); done
started=$(now)
sleep "$seconds"
after=()
for pid in "${pids[@]}"; do after+=("$(sample "$pid")"); done
ended=$(now)
kill -0 "$ORVALIN_PID" || fail "the program ended while metering"
[ -n "$(e2e_visible Orvalin | grep -x "$meter")" ] || fail "the meter is no longer shown"

for i in "${!pids[@]}"; do
    echo "${names[$i]}|${before[$i]}|${after[$i]}|$(awk '/^VmRSS/ { print $2 }' "/proc/${pids[$i]}/status")"
done | awk -F'|' -v started="$started" -v ended="$ended" '{
    split($2, b, " "); split($3, a, " "); wall = ended - started
    cpu[NR] = (a[1] - b[1]) / 1e9; hourly[NR] = cpu[NR] * 3600 / wall
    line[NR] = sprintf("%-58s %.3f CPU s in %.0f s = %5.2f CPU s per hour", $1 ":", cpu[NR], wall,
                       hourly[NR])
    wakeups[NR] = (a[2] - b[2]) / wall; rss[NR] = $4
    rest[NR] = sprintf(", %.2f wake-ups a second, %.1f MB resident", wakeups[NR], rss[NR] / 1024)
} END {
    for (i = 1; i <= NR; i++)
        printf "%s%s%s\n", line[i], i <= 3 ? sprintf(" (%.2fx the plain clock)", hourly[i] / hourly[2]) : "", rest[i]
    # The clock that journals is the floor of a meter that loses at most a second of a call.
    printf "the meter against the plain clock and the journalling clock: processor %.2fx and %.2fx, " \
        "wake-ups %+.2f and %+.2f a second, resident memory %.2fx and %.2fx\n", hourly[1] / hourly[2],
        hourly[1] / hourly[3], wakeups[1] - wakeups[2], wakeups[1] - wakeups[3], rss[1] / rss[2],
        rss[1] / rss[3]
}'
kill -TERM "$ORVALIN_PID"
e2e_wait_exit "$ORVALIN_PID" 15
