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
