// Fixed-width upper-case hexadecimal text, as the listing lines hold it.
#pragma once

#include <cstdint>
#include <string>

namespace drovenna {

// The character of one digit value 0..15; anything else is a Failure.
unsigned char hexa(std::int64_t digit);

// Writes the `count` low hexadecimal digits of `value` into buffer[0..count),
// most significant first, working from the right. Values too large simply
// lose their high digits. A negative value fails at its first non-zero digit,
// after the zero digits to its right have been stored. A count larger than
// the buffer fails before anything is stored.
void create_hexa(std::int64_t value, std::int64_t count, std::string& buffer);

// A non-negative value in upper-case hexadecimal, at least `width` digits,
// for the texts of error messages.
std::string hex_text(std::int64_t value, int width = 1);

}  // namespace drovenna
