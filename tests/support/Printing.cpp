#include "Printing.h"

#include <cstdio>
#include <vector>

std::string Hex(const std::uint8_t *bytes, std::size_t size)
{
    std::string text;
    char byte[4];
    for (std::size_t k = 0; k < size; ++k) {
        std::snprintf(byte, sizeof byte, k ? " %02X" : "%02X", bytes[k]);
        text += byte;
    }
    return text;
}

std::string Hex(std::initializer_list<int> bytes)
{
    const std::vector<std::uint8_t> narrowed(bytes.begin(), bytes.end());
    return Hex(narrowed.data(), narrowed.size());
}

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

void PrintTo(const QByteArray &bytes, std::ostream *out)
{
    *out << bytes.toHex(' ').toStdString();
}
