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

}  // namespace fuzz
