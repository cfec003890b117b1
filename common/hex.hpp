// Fixed-width upper-case hexadecimal text, as the listing lines hold it.
#pragma once

#include <cstdint>
#include <string>

namespace drovenna {

// The character of one digit value 0..15; anything else is a Failure.
unsigned char hexa(std::int64_t digit);

// create_hexa for a negative value or a buffer too small: each digit checked.
void create_hexa_checked(std::int64_t value, std::int64_t count, std::string& buffer);

// Writes the `count` low hexadecimal digits of `value` into buffer[0..count),
// most significant first, working from the right. Values too large simply
// lose their high digits. A negative value fails at its first non-zero digit,
// after the zero digits to its right have been stored. A count larger than
// the buffer fails before anything is stored.
inline void create_hexa(std::int64_t value, std::int64_t count, std::string& buffer) {
    if (value >= 0 && count <= static_cast<std::int64_t>(buffer.size())) {
        // Every listing line writes three numbers: the usual case goes four
        // bits at a time, without the checks a negative value needs.
        auto bits = static_cast<std::uint64_t>(value);
        char* digits = buffer.data();
        for (; count > 0; --count, bits >>= 4) digits[count - 1] = "0123456789ABCDEF"[bits & 15];
        return;
    }
    create_hexa_checked(value, count, buffer);
}

// A non-negative value in upper-case hexadecimal, at least `width` digits,
// for the texts of error messages.
std::string hex_text(std::int64_t value, int width = 1);

}  // namespace drovenna
