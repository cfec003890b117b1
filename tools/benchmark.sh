#!/usr/bin/env bash
# Benchmark of extract, extractor, tablebuild and lbacheck on generated tables.
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
# lbacheck runs as `lbacheck TABLE LISTING` (args "T L") and
# `lbacheck TABLE LISTING TABLE` (args "T L T": the table as its own new
# table), LISTING being the expected listing gen_table writes, on the same
# tables; its lines give wall, user, sys, peak memory, cat, and:
#   cpu/ext                                      its CPU time (user+sys) over that of extract (episode
#                                                II/III) or extractor (episode I) writing the listing
#                                                of the same table
#   instr/rec                                    as above, for information only
# Its targets: exit status 0 (1 means it found errors: the run fails); CPU
# time for 1 million at most 3 times the extractor's; peak memory for 1
# million at most that for 10 thousand plus 32 bytes per listing line.
# The system-call and instruction targets do not apply to lbacheck.
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
cmake --build "$build" --target extract extractor tablebuild lbacheck gen_table >/dev/null

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

# Sets: wall user sys peak_kb, from the report of /usr/bin/time -v in $work/time.txt.
read_time() {
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time.txt")
    user=$(awk -F': ' '/User time/ { print $2 }' "$work/time.txt")
    sys=$(awk -F': ' '/System time/ { print $2 }' "$work/time.txt")
    peak_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
}

# Sets: wall user sys peak_kb (/usr/bin/time), reads writes calls (strace).
measure() {
    local cmd=$1
    /usr/bin/time -v -o "$work/time.txt" $cmd >/dev/null
    read_time
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
declare -A cpu_of # user+sys seconds of a run: cpu_of[program-episode-records]
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
        cpu_of[$program-$episode-$records]=$(echo "$user + $sys" | bc)
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

# lbacheck: the command line and inputs of a run: episode, records, args ("T L" or "T L T").
lbacheck_inputs_of() {
    local table="$work/ep$1-$2.bin"
    if [ "$3" = "T L T" ]; then echo "$table $work/ep$1-$2.lst $table"; else echo "$table $work/ep$1-$2.lst"; fi
}
lbacheck_command_of() { echo "$build/lbacheck/lbacheck $(lbacheck_inputs_of "$@")"; }

printf '\n%-10s %2s %-5s %9s %8s | %7s %6s %6s %8s | %7s | %7s | %9s\n' \
    program ep args records input_MB wall_s user_s sys_s peak_MB cat_s cpu/ext instr/rec
for episode in 2 1; do
    reference=extract
    [ $episode -eq 1 ] && reference=extractor
    for args in "T L" "T L T"; do
        empty_instr=$(instructions "$(lbacheck_command_of $episode 0 "$args")")
        small_instr=$(instructions "$(lbacheck_command_of $episode $small "$args")")
        per_record=$(((small_instr - empty_instr) / small))

        for records in $small $large; do
            input_bytes=$(bytes_of $(lbacheck_inputs_of $episode $records "$args"))
            status=0
            /usr/bin/time -v -o "$work/time.txt" $(lbacheck_command_of $episode $records "$args") >/dev/null || status=$?
            read_time
            cpu=$(echo "$user + $sys" | bc)
            reference_cpu=${cpu_of[$reference-$episode-$records]}
            if [ "$(echo "$reference_cpu > 0" | bc)" -eq 1 ]; then
                ratio=$(printf '%.2f' "$(echo "$cpu / $reference_cpu" | bc -l)")
            else
                ratio=-
            fi
            /usr/bin/time -f %e -o "$work/cat.txt" cat $(lbacheck_inputs_of $episode $records "$args") >/dev/null
            cat_wall=$(cat "$work/cat.txt")
            printf '%-10s %2s %-5s %9s %8.1f | %7.2f %6.2f %6.2f %8.1f | %7.2f | %7s | %9s\n' \
                lbacheck $episode "$args" $records "$(echo "$input_bytes / 1048576" | bc -l)" "$wall" "$user" "$sys" \
                "$(echo "$peak_kb / 1024" | bc -l)" "$cat_wall" $ratio $per_record

            if [ $status -ne 0 ]; then
                echo "  MISSED: lbacheck exited with status $status (1: it found errors; 2: it could not check)"
                missed=1
            fi
            if [ $records -eq $small ]; then
                small_peak=$peak_kb
            else
                if [ $((peak_kb * 1024)) -gt $((small_peak * 1024 + 32 * large)) ]; then
                    echo "  MISSED: peak memory ${peak_kb} KiB for $large records against ${small_peak} KiB for $small" \
                        "(target: at most 32 bytes per listing line more)"
                    missed=1
                fi
                if [ "$(echo "$cpu > 3 * $reference_cpu" | bc)" -eq 1 ]; then
                    printf "  MISSED: CPU time %.2f s against %.2f s for %s (target: at most 3 times)\n" "$cpu" "$reference_cpu" $reference
                    missed=1
                fi
            fi
        done
    done
done

echo
if [ $missed -eq 0 ]; then
    echo "All targets met."
else
    echo "Some targets missed (see above)."
fi
exit $missed
