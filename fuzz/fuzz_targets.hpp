// The code each fuzzer runs on its input, apart from the fuzzer so that the
// test suite can replay the seed corpus and the crashes found (corpus_replay).
//
// Each target writes the input to memory files and drives the code through
// them as the programs do. A thrown drovenna::error is an expected outcome;
// a crash, a sanitizer report, a hang or a leak is not. A run that leaves a
// file descriptor open aborts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

// The episode II/III walk: the input is the table.
void extract_walk_target(const std::uint8_t* data, std::size_t size);

// The episode I walk: the input is the table.
void extractor_walk_target(const std::uint8_t* data, std::size_t size);

// tablebuild's listing reader and rewriting. The input is a 2-byte
// little-endian length n, then n bytes of old table (fewer if the input is
// shorter), then the listing.
void rebuild_target(const std::uint8_t* data, std::size_t size);

// The checker, lbacheck, as a user runs it on a table, a listing and
// perhaps a new table. The input is a 2-byte little-endian length n, n bytes
// of table, then a 2-byte little-endian word w: its low 15 bits are the
// listing's length m, m bytes of listing follow (fewer bytes and lengths
// are cut at the end of the input). When bit 15 of w is set, the rest of
// the input is the new table; otherwise the rest is unused.
//
// Beside the usual faults, each of these aborts:
// - a status other than 0 and 1 (2 is for a wrong argument count only);
// - a pass (status 0) for a listing that tablebuild stops on, or for a new
//   table that is not the one tablebuild writes; and with no new table
//   given, tablebuild's own new table from a passing listing not passing;
// - for a table that extract or extractor reads to its end byte, and whose
//   names hold no carriage return or line feed (which would end a line in
//   the middle of a path), the listing the walk writes failing the check,
//   alone or with the table itself as the new table (an unchanged listing
//   rebuilds the old table byte for byte), or passing with a new table that
//   has one byte changed (at w modulo the table's length).
void check_target(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
