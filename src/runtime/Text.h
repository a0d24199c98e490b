#pragma once

// The program's text is std::u16string, as the system's own text: positions and
// lengths count UTF-16 code units. Every conversion to and from other encodings
// lives here, so that no other file needs to know about byte encodings.

#include <cstdint>
#include <string>
#include <string_view>

namespace sigpatch::inline runtime::text {

/// UTF-8 to UTF-16; malformed bytes become U+FFFD.
std::u16string fromUtf8(std::string_view utf8);
/// The same into `out`, whose storage is used again.
void fromUtf8(std::string_view utf8, std::u16string& out);
/// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string toUtf8(std::u16string_view text);

/// Windows-1252 ("ANSI") bytes to text. The five bytes the code page leaves
/// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to U+0081 ... U+009D, so every
/// byte survives a round trip.
std::u16string fromAnsi(std::string_view bytes);
/// Text to Windows-1252 bytes; a character the code page cannot hold becomes
/// `fallback`.
std::string toAnsi(std::u16string_view text, char fallback = '?');
/// The character for one Windows-1252 byte.
char16_t ansiToChar(unsigned char byte);
/// The Windows-1252 byte of one character, or -1 when the code page lacks it.
int charToAnsi(char16_t c);

/// Unicode simple upper-case mapping, independent of the process's locale.
char32_t toUpper(char32_t c);
/// Unicode simple lower-case mapping, independent of the process's locale.
char32_t toLower(char32_t c);
std::u16string toUpper(std::u16string_view text);
/// The same into `out`, whose storage is used again (`text` must not lie in it).
void toUpper(std::u16string_view text, std::u16string& out);
std::u16string toLower(std::u16string_view text);

/// Plain ASCII to text (literals of our own, numbers formatted by the standard library).
std::u16string fromAscii(std::string_view ascii);
/// A whole number in plain decimal: "-5", "17".
std::u16string dec(std::int64_t value);
/// A whole number as the system's Str() writes it: a leading blank stands for
/// the sign of a number that is not negative (" 5", "-5").
std::u16string str(std::int64_t value);
/// A whole number with at least `digits` digits, filled with leading zeros ("00").
std::u16string zeroPad(std::int64_t value, int digits);

}  // namespace sigpatch::runtime::text
