// Text of Jet 3 files: Windows code page 1252 bytes. The engine keeps text as those bytes;
// conversion to UTF-8 happens only where text is shown or exported. Names of tables and
// columns compare without regard to letter case, as the Jet engine compares them.
#pragma once

#include <string>
#include <string_view>

namespace frixa::jet {

// UTF-8 of cp1252 `bytes`. The five bytes that code page 1252 leaves undefined (81 8D 8F 90
// 9D) map to the C1 controls of the same number, as Windows' own conversion does.
std::string Cp1252ToUtf8(std::string_view bytes);

// cp1252 of UTF-8 `text`; characters that code page 1252 lacks become '?'.
std::string Utf8ToCp1252(std::string_view text);

// Upper case of one cp1252 character (ASCII and the accented letters of the code page).
char Cp1252Upper(char c);

// True when two cp1252 names differ at most in letter case.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace frixa::jet
