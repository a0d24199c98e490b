#include "runtime/Text.h"

#include <algorithm>
#include <array>

namespace sigpatch::inline runtime::text {
namespace {

struct CaseMapping {
  char32_t from;
  char32_t to;
};

#include "runtime/CaseTables.inc"

constexpr char32_t kReplacement = 0xFFFD;

// Bytes 0x80-0x9F of Windows-1252; the five undefined ones map to the C1
// control of the same number.
constexpr std::array<char16_t, 32> kAnsiHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

template <std::size_t N>
char32_t lookup(const CaseMapping (&table)[N], char32_t c) {
  const auto* end = table + N;
  const auto* it =
      std::lower_bound(table, end, c, [](const CaseMapping& m, char32_t v) { return m.from < v; });
  return (it != end && it->from == c) ? it->to : c;
}

void appendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// Applies a code-point mapping to UTF-16 text, keeping unpaired surrogates as they are.
template <typename Map>
void mapText(std::u16string_view text, std::u16string& out, Map map) {
  // The plain ASCII at the front (all of a usual file name) unit for unit,
  // the rest code point by code point.
  std::size_t i = 0;
  while (i < text.size() && text[i] < 0x80) ++i;
  out.resize(i);
  for (std::size_t k = 0; k < i; ++k) out[k] = static_cast<char16_t>(map(text[k]));
  out.reserve(text.size());
  for (; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      appendUtf16(out, map(cp));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out.push_back(c);
    } else {
      appendUtf16(out, map(c));
    }
  }
}

}  // namespace

std::u16string fromUtf8(std::string_view utf8) {
  std::u16string out;
  fromUtf8(utf8, out);
  return out;
}

void fromUtf8(std::string_view utf8, std::u16string& out) {
  std::size_t i = 0;
  const std::size_t n = utf8.size();
  while (i < n && static_cast<unsigned char>(utf8[i]) < 0x80) ++i;
  out.resize(i);
  for (std::size_t k = 0; k < i; ++k) out[k] = static_cast<unsigned char>(utf8[k]);
  out.reserve(n);
  while (i < n) {
    auto b0 = static_cast<unsigned char>(utf8[i]);
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      extra = 1, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      extra = 2, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      extra = 3, cp = b0 & 0x07, min = 0x10000;
    } else {
      out.push_back(static_cast<char16_t>(kReplacement));
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    bool ok = true;
    for (int k = 0; k < extra; ++k, ++j) {
      if (j >= n || (static_cast<unsigned char>(utf8[j]) & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[j]) & 0x3F);
    }
    if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(static_cast<char16_t>(kReplacement));
      i = ok ? j : std::max(j, i + 1);
      continue;
    }
    appendUtf16(out, cp);
    i = j;
  }
}

std::string toUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

char16_t ansiToChar(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kAnsiHigh[byte - 0x80];
  return byte;
}

int charToAnsi(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (std::size_t i = 0; i < kAnsiHigh.size(); ++i) {
    if (kAnsiHigh[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

std::u16string fromAnsi(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char b : bytes) out.push_back(ansiToChar(static_cast<unsigned char>(b)));
  return out;
}

std::string toAnsi(std::u16string_view text, char fallback) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    int b = charToAnsi(c);
    out.push_back(b < 0 ? fallback : static_cast<char>(b));
  }
  return out;
}

char32_t toUpper(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
  return lookup(kUpperCase, c);
}

char32_t toLower(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
  return lookup(kLowerCase, c);
}

std::u16string toUpper(std::u16string_view text) {
  std::u16string out;
  toUpper(text, out);
  return out;
}

void toUpper(std::u16string_view text, std::u16string& out) {
  mapText(text, out, [](char32_t c) { return toUpper(c); });
}

std::u16string toLower(std::u16string_view text) {
  std::u16string out;
  mapText(text, out, [](char32_t c) { return toLower(c); });
  return out;
}

std::u16string fromAscii(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

std::u16string dec(std::int64_t value) { return fromAscii(std::to_string(value)); }

std::u16string str(std::int64_t value) { return value < 0 ? dec(value) : u" " + dec(value); }

std::u16string zeroPad(std::int64_t value, int digits) {
  std::u16string digitsText = dec(value < 0 ? -value : value);
  if (static_cast<int>(digitsText.size()) < digits) {
    digitsText.insert(0, static_cast<std::size_t>(digits) - digitsText.size(), u'0');
  }
  return value < 0 ? u"-" + digitsText : digitsText;
}

}  // namespace sigpatch::runtime::text
