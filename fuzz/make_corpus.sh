#!/usr/bin/env bash
# Lays out the seed corpus of the three harnesses: small generated tables
# (and their listings, for the rebuild harness) and hand-made damaged cases.
# Usage: fuzz/make_corpus.sh GEN_TABLE_PROGRAM
# Crashing inputs found later go into corpus/<harness>/ by hand, as crash-*.
set -euo pipefail
gen=$(realpath "$1")
mkdir -p "$(dirname "$0")/corpus" && cd "$(dirname "$0")/corpus"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Bytes from hexadecimal pairs: bytes "ff 81 00" > file
bytes() { for b in "$@"; do printf "\\x$b"; done; }
# The rebuild harness's input: the old table's length (2 bytes, little-endian), the table, the listing.
rebuild_input() {
    local n; n=$(stat -c %s "$1")
    printf "\\x$(printf %02x $((n & 255)))\\x$(printf %02x $((n >> 8 & 255)))"
    cat "$1" "$2"
}

mkdir -p extract_walk extractor_walk rebuild
for seed in 1 2 3 4 5 6 7 8 9 10 11 12; do
    count=$((seed % 4 * 4 + seed % 3))
    "$gen" "$seed" "$count" 2 extract_walk/gen-$seed "$tmp/l2"
    "$gen" "$seed" "$count" 1 extractor_walk/gen-$seed "$tmp/l1"
    if [ $((seed % 2)) -eq 0 ]; then
        rebuild_input extract_walk/gen-$seed "$tmp/l2" > rebuild/gen2-$seed
    else
        rebuild_input extractor_walk/gen-$seed "$tmp/l1" > rebuild/gen1-$seed
    fi
done

# Episode II/III, damaged: each stops the walk with an error.
bytes                                  > extract_walk/empty
bytes 05                               > extract_walk/base-only
bytes 05 09 00 41 00                   > extract_walk/file-cut-in-name
bytes 05 01 00 00 00 00 00 00 00 00    > extract_walk/head-length-1
bytes 05 40 00 00 00 00 00 00 00 00    > extract_walk/long-head-length-0
bytes 05 82 00 00 00                   > extract_walk/dir-length-2
bytes 05 85 01 00 41 00 00             > extract_walk/close-with-nothing-open
bytes 05 85 00 00 41 00 85 03 00 42 00 00 > extract_walk/close-more-than-open
bytes 05 85 00 10 41 42 00             > extract_walk/merge-without-sibling
bytes 05 85 00 00 41 00 86 01 10 42 43 44 00 > extract_walk/merge-passes-nul
bytes 05 85 00 00 41 00 85 01 f0 42 00 00 > extract_walk/merge-back-too-far
bytes 05 84 00 00 41                   > extract_walk/dir-name-without-nul
bytes 05 05 01 41 00 00 00 00 00 00 00 > extract_walk/merge-first-file
bytes 05 08 00 41 42 43 44 45 46 04 00 00 00 00 00 00 08 ff 41 42 43 44 45 46 04 00 00 00 00 00 00 00 > extract_walk/merge-back-15
bytes 05 04 00 41 00 00 00 00 00 00 00 00 > extract_walk/sector-below-base
bytes 00 04 00 41 00 00 00 ff 00 00 00 00 > extract_walk/offset-2-to-32
bytes 05 0b 00 41 42 00 05 00 00 00 00 00 0b 02 5a 00 > extract_walk/cut-in-second-record
bytes 05 04 00 41 00 05 00 00 00 00 00 00 > extract_walk/no-end-byte

# Episode I, damaged.
bytes                                  > extractor_walk/empty
bytes 05                               > extractor_walk/base-only
bytes 05 00 ff ff                      > extractor_walk/end-then-junk
bytes 05 40 00 00 00 00 00 00 00 00    > extractor_walk/long-head-length-0
bytes 05 80 00 00                      > extractor_walk/dir-length-0
bytes 05 81 00 00                      > extractor_walk/dir-length-1
bytes 05 f4 00 41 42 00                > extractor_walk/dir-high-bits
bytes 05 84 01 41 42 00                > extractor_walk/close-with-nothing-open
bytes 05 83 00 41 83 02 42 00          > extractor_walk/close-more-than-open
bytes 05 03 41 42 05 00 00 00 00 00 00 > extractor_walk/no-end-byte
bytes 05 03 41 42 04 00 00 00 00 00 00 00 > extractor_walk/sector-below-base
bytes 05 4f 41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e > extractor_walk/long-cut-in-name

# Rebuild, damaged listings (old table of 12 bytes: base 05 then a record).
old="05 04 00 41 00 05 00 00 00 00 00 00"
rb() { { bytes 0c 00 $old; printf '%b' "$2"; } > "rebuild/$1"; }
rb good               '00000000|00000010|00000004|\\A\r\n\0'
rb no-listing         ''
rb no-nul             '00000000|00000010|00000004|\\A\r\n'
rb no-cr              '00000000|00000010|00000004|\\A'
rb line-feed-in-path  '00000000|00000010|00000004|\\A\nB\r\n\0'
rb bad-digit          '0000000G|00000010|00000004|\\A\r\n\0'
rb underscores        '0000_000|0000_010|0000_004|\\A\r\n\0'
rb lower-case         'abcdef00|0000ffff|00000004|\\A\r\n\0'
rb position-2-to-31   '00000000|00000010|80000000|\\A\r\n\0'
rb position-2-to-30   '00000000|00000010|40000000|\\A\r\n\0'
rb past-old-end       '00000000|00000010|00000010|\\A\r\n\0'
rb field-at-end       '00000000|00000010|0000000C|\\A\r\n\0'
rb out-of-order       '00000000|00000010|00000006|\\A\r\n00000000|00000010|00000004|\\B\r\n\0'
rb overlapping        '00000000|00000010|00000004|\\A\r\n00000000|00000010|00000008|\\B\r\n\0'
rb short-line         '0000\r\n\0'
rb cr-at-end          '00000000|00000010|00000004|\r'
bytes 00 00 > rebuild/empty-table
{ bytes ff ff; printf '00000000|00000010|00000000|\\A\r\n\0'; } > rebuild/length-past-end

# The checker's input: the table's length (2 bytes, little-endian), the
# table, the listing's length with bit 15 set when a new table follows, the
# listing, then the new table if there is one.
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
check_input() {
    local n m; n=$(stat -c %s "$1"); m=$(stat -c %s "$2")
    le16 "$n"; cat "$1"
    if [ $# -ge 3 ]; then le16 $((m | 0x8000)); cat "$2" "$3"; else le16 "$m"; cat "$2"; fi
}
# A copy of a file with the byte at an offset made one greater: with_byte_changed FILE OFFSET > copy
with_byte_changed() {
    local b; b=$(od -An -tu1 -j"$2" -N1 "$1" | tr -d ' ')
    head -c "$2" "$1"; printf "\\x$(printf %02x $(((b + 1) & 255)))"; tail -c +$(($2 + 2)) "$1"
}

mkdir -p check
# Generated tables with the listing their extractor writes, which passes;
# seeds 7 and 8 also with a new table: the old one (what tablebuild makes of
# an unchanged listing) and one with a byte changed.
for episode in 2 1; do
    for seed in 1 2 3 4 5 7 8; do
        "$gen" "$seed" $((seed % 4 * 4 + seed % 3)) "$episode" "$tmp/t" "$tmp/l"
        case $seed in
            7) check_input "$tmp/t" "$tmp/l" "$tmp/t" > check/gen$episode-$seed-rebuilt ;;
            8) with_byte_changed "$tmp/t" 10 > "$tmp/changed"
               check_input "$tmp/t" "$tmp/l" "$tmp/changed" > check/gen$episode-$seed-byte-changed ;;
            *) check_input "$tmp/t" "$tmp/l" > check/gen$episode-$seed ;;
        esac
    done
done
# Generated, damaged: a listing from another table, one cut before its final
# NUL, one whose lines end in a bare line feed, a table cut short.
"$gen" 9 10 2 "$tmp/t" "$tmp/l"
"$gen" 10 10 2 "$tmp/t10" "$tmp/l10"
check_input "$tmp/t" "$tmp/l10" > check/gen2-other-listing
head -c -1 "$tmp/l" > "$tmp/cut"; check_input "$tmp/t" "$tmp/cut" > check/gen2-no-nul
sed 's/\r$//' "$tmp/l" > "$tmp/lf"; check_input "$tmp/t" "$tmp/lf" > check/gen2-bare-line-feeds
head -c 60 "$tmp/t" > "$tmp/cut"; check_input "$tmp/cut" "$tmp/l" > check/gen2-table-cut

# By hand: a table of two files, \A (sector 5) and \B (sector 6), 2048 bytes
# each, their location fields at 05 and 10, then the end byte.
bytes 05 04 00 41 00 05 00 00 00 08 00 00 04 00 42 00 06 00 00 00 08 00 00 00 > "$tmp/t2"
ck() {  # ck NAME LISTING [NEW_TABLE_HEX...]
    local name=$1 listing=$2; shift 2
    printf '%b' "$listing" > "$tmp/l2"
    if [ $# -gt 0 ]; then bytes "$@" > "$tmp/n2"; check_input "$tmp/t2" "$tmp/l2" "$tmp/n2"; else check_input "$tmp/t2" "$tmp/l2"; fi > "check/$name"
}
A='00000000|00000800|00000005|\\A\r\n'
B='00000800|00000800|00000010|\\B\r\n'
ck exact              "$A$B\0"
ck exact-rebuilt      "$A$B\0" 05 04 00 41 00 05 00 00 00 08 00 00 04 00 42 00 06 00 00 00 08 00 00 00
ck edited-rebuilt     "00001000|00000123|00000005|\\\\A\r\n$B\0" 05 04 00 41 00 07 00 00 23 01 00 00 04 00 42 00 06 00 00 00 08 00 00 00
ck edited-stale       "00001000|00000123|00000005|\\\\A\r\n$B\0" 05 04 00 41 00 05 00 00 00 08 00 00 04 00 42 00 06 00 00 00 08 00 00 00
ck new-short          "$A$B\0" 05 04 00 41 00 05 00 00 00 08 00 00 04 00 42 00 06 00 00 00 08 00 00
ck new-long           "$A$B\0" 05 04 00 41 00 05 00 00 00 08 00 00 04 00 42 00 06 00 00 00 08 00 00 00 ff
ck only-second-line   "$B\0"
ck overlap            "00000000|00001000|00000005|\\\\A\r\n$B\0"
ck offset-unaligned   "00000010|00000800|00000005|\\\\A\r\n$B\0"
ck position-off       "00000000|00000800|00000006|\\\\A\r\n$B\0"
ck out-of-order       "$B$A\0"
ck path-differs       "00000000|00000800|00000005|\\\\C\r\n$B\0"
ck bare-line-feed     "00000000|00000800|00000005|\\\\A\n$B\0"
ck bytes-after-nul    "$A$B\0junk"
ck bad-digit          "0000000G|00000800|00000005|\\\\A\r\n$B\0"
ck lower-underscores  "00000000|00000abc|00000005|\\\\A\r\n0000_800|0000_800|0000_010|\\\\B\r\n\0"
ck position-2-to-30   "$A""00000800|00000800|40000000|\\\\B\r\n\0"
printf '\0\0\0\0' > check/empty
{ printf '\0\0'; le16 $((0x8000)); } > check/empty-with-new-table
