#pragma once
// Bytes as people read them ("F0 70 7E 00 30 00 07 F7"), and readable Qt values in failure
// messages (PrintTo is found by argument-dependent lookup).
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <ostream>
#include <string>

std::string Hex(const std::uint8_t *bytes, std::size_t size);
template <class Bytes> std::string Hex(const Bytes &bytes)
{
    return Hex(std::data(bytes), std::size(bytes));
}
std::string Hex(std::initializer_list<int> bytes);

void PrintTo(const QString &text, std::ostream *out);
void PrintTo(const QByteArray &bytes, std::ostream *out);

// Names the cases of a parameterised test after their `name` field.
struct CaseName
{
    template <class Info> std::string operator()(const Info &info) const { return info.param.name; }
};
