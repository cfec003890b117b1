#include "hex.hpp"

#include "error.hpp"

namespace drovenna {

unsigned char hexa(std::int64_t digit) {
    if (digit < 0 || digit > 15) fail("Fonction Hexa : Pas un chiffre \n");
    return static_cast<unsigned char>(digit < 10 ? '0' + digit : 'A' + (digit - 10));
}

void create_hexa(std::int64_t value, std::int64_t count, std::string& buffer) {
    while (count > 0) {
        if (count > static_cast<std::int64_t>(buffer.size())) fail("Fonction Create-hexa : table trop petite \n");
        // Truncating division: the remainder carries the sign of the value.
        buffer[static_cast<std::size_t>(count - 1)] = static_cast<char>(hexa(value % 16));
        value /= 16;
        --count;
    }
}

std::string hex_text(std::int64_t value, int width) {
    std::string text;
    do {
        text.insert(text.begin(), static_cast<char>(hexa(value % 16)));
        value /= 16;
    } while (value > 0 || static_cast<int>(text.size()) < width);
    return text;
}

}  // namespace drovenna
