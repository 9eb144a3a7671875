#pragma once
// 8-bit text of files: Windows-1251 (the ANSI code page of comments and texts) and OEM 866 (the
// comments of old files). Text is QString inside the program and converted at the file boundary.
// Characters without a place in the target code page become '?'; bytes that a code page leaves
// undefined (0x98 in Windows-1251) read as '?'. Conversions are byte for byte, so a zero byte
// stays a zero byte (U+0000) and the text keeps its length.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

namespace calidarix {

QString Cp1251ToString(std::string_view bytes);
std::string StringToCp1251(const QString &text);

QString Cp866ToString(std::string_view bytes);
std::string StringToCp866(const QString &text);

// OEM 866 to Windows-1251 of a fixed-size text field (the 64-byte comment of old thermograms): the
// text up to the first zero byte is converted, the rest of the result is zero; the result has the
// field's size.
std::vector<std::uint8_t> OemToAnsiField(std::span<const std::uint8_t> field);

} // namespace calidarix
