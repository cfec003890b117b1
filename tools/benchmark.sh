#!/usr/bin/env bash
# Benchmark of extract, extractor and tablebuild on generated tables.
#
# Usage: tools/benchmark.sh [WORK_DIR]      (default /tmp/drovenna-benchmark)
#
# Builds the programs (Release) in WORK_DIR/build, generates tables of 10
# thousand and 1 million file records (episode II/III and episode I layouts)
# with tools/gen_table, and prints one line per run:
#   wall, user and system time and peak memory   /usr/bin/time -v
#   cat                                          wall time of cat reading the same inputs: the floor
#   syscalls/rec                                 all system calls (strace -c -f) per file record
#   reads, writes                                read and write calls beyond the expected ones
#                                                (one read per 4096 bytes of input; one write per
#                                                listing line for the extractors, two per rewritten
#                                                field for tablebuild), the empty table's count
#                                                in parentheses: it is the constant part
#   instr/rec                                    user-space instructions per file record: callgrind
#                                                on the 10-thousand table minus an empty table, / 10000
# then checks the targets: peak memory for 1 million within 10% of that for
# 10 thousand; no system calls beyond the expected ones but a constant number;
# at most 1,000 instructions per file record.
# Needs /usr/bin/time, strace and valgrind; installs the missing ones with
# apt-get when run as root. Takes a few minutes; exits 1 when a target is missed.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/tmp/drovenna-benchmark}
build=$work/build
seed=1
small=10000
large=1000000
mkdir -p "$work"

"$repo/tools/install-deps.sh" native benchmark

echo "Building (Release) in $build ..."
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDROVENNA_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target extract extractor tablebuild gen_table >/dev/null

echo "Generating tables (seed $seed) ..."
for episode in 2 1; do
    for records in 0 $small $large; do
        "$build/tools/gen_table" $seed $records $episode "$work/ep$episode-$records.bin" "$work/ep$episode-$records.lst"
    done
done

# The command line of a run: program, episode, records.
command_of() {
    local program=$1 episode=$2 records=$3 table="$work/ep$2-$3.bin"
    if [ "$program" = tablebuild ]; then
        echo "$build/tablebuild/tablebuild $table $work/ep$episode-$records.lst $work/out.bin"
    else
        echo "$build/$program/$program $table $work/out.lst"
    fi
}
inputs_of() {
    if [ "$1" = tablebuild ]; then echo "$work/ep$2-$3.bin $work/ep$2-$3.lst"; else echo "$work/ep$2-$3.bin"; fi
}

# Sets: wall user sys peak_kb (/usr/bin/time), reads writes calls (strace).
measure() {
    local cmd=$1
    /usr/bin/time -v -o "$work/time.txt" $cmd >/dev/null
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time.txt")
    user=$(awk -F': ' '/User time/ { print $2 }' "$work/time.txt")
    sys=$(awk -F': ' '/System time/ { print $2 }' "$work/time.txt")
    peak_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
    strace -c -f -o "$work/strace.txt" $cmd >/dev/null
    reads=$(awk '$NF == "read" { print $4 }' "$work/strace.txt")
    writes=$(awk '$NF == "write" { print $4 }' "$work/strace.txt")
    calls=$(awk '$NF == "total" { print $4 }' "$work/strace.txt")
    reads=${reads:-0}
    writes=${writes:-0}
}

# User-space instructions of a run (callgrind).
instructions() {
    valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" $1 >/dev/null 2>"$work/callgrind.err"
    awk '/^(summary|totals):/ { print $2; exit }' "$work/callgrind.out"
}

bytes_of() { cat $@ | wc -c; }
lines_of() { tr -cd '\n' <"$work/ep$2-$3.lst" | wc -c; }

printf '\n%-10s %2s %9s %8s | %7s %6s %6s %8s | %7s | %8s %10s %11s | %9s\n' \
    program ep records input_MB wall_s user_s sys_s peak_MB cat_s sys/rec "reads+" "writes+" instr/rec
missed=0
for run in "extract 2" "extractor 1" "tablebuild 2" "tablebuild 1"; do
    set -- $run
    program=$1 episode=$2

    # The constant part, from the empty table.
    measure "$(command_of $program $episode 0)"
    base_reads=$((reads - ($(bytes_of $(inputs_of $program $episode 0)) + 4095) / 4096))
    base_writes=$writes
    base_other=$((calls - reads - writes))
    per_line=1
    [ "$program" = tablebuild ] && per_line=2
    empty_instr=$(instructions "$(command_of $program $episode 0)")
    small_instr=$(instructions "$(command_of $program $episode $small)")
    per_record=$(((small_instr - empty_instr) / small))

    for records in $small $large; do
        input_bytes=$(bytes_of $(inputs_of $program $episode $records))
        lines=$(lines_of $program $episode $records)
        measure "$(command_of $program $episode $records)"
        extra_reads=$((reads - (input_bytes + 4095) / 4096))
        extra_writes=$((writes - per_line * lines))
        other=$((calls - reads - writes))
        /usr/bin/time -f %e -o "$work/cat.txt" cat $(inputs_of $program $episode $records) >/dev/null
        cat_wall=$(cat "$work/cat.txt")
        printf '%-10s %2s %9s %8.1f | %7.2f %6.2f %6.2f %8.1f | %7.2f | %8.3f %4s (%3s) %5s (%3s) | %9s\n' \
            $program $episode $records "$(echo "$input_bytes / 1048576" | bc -l)" "$wall" "$user" "$sys" \
            "$(echo "$peak_kb / 1024" | bc -l)" "$cat_wall" "$(echo "$calls / $records" | bc -l)" \
            $extra_reads $base_reads $extra_writes $base_writes $per_record

        # One read per 4096 bytes and the writes per line, each give or take one
        # (the read that meets the end, the last partial buffer); every other
        # system call as often as for the empty table.
        if [ $((extra_reads - base_reads)) -gt 1 ] || [ $((extra_writes - base_writes)) -gt 1 ] ||
            [ $other -gt $((base_other + 1)) ]; then
            echo "  MISSED: system calls beyond the expected ones (other calls: $other, empty table: $base_other)"
            missed=1
        fi
        if [ $records -eq $small ]; then
            small_peak=$peak_kb
        elif [ $((peak_kb * 10)) -gt $((small_peak * 11)) ]; then
            echo "  MISSED: peak memory ${peak_kb} KiB for $large records against ${small_peak} KiB for $small"
            missed=1
        fi
    done
    if [ $per_record -gt 1000 ]; then
        echo "  MISSED: $per_record instructions per file record (target: at most 1000)"
        missed=1
    fi
done

echo
if [ $missed -eq 0 ]; then
    echo "All targets met."
else
    echo "Some targets missed (see above)."
fi
exit $missed
