#pragma once
// Whole streams as text: byte-order marks and code pages.
#include <cstdint>
#include <string>
#include <string_view>

#include "zor/base/Strings.h"

class TStream;

// Reads from the stream's position to its end. A mark (UTF-8, UTF-16 LE or BE)
// decides and is skipped; otherwise defaultCodePage, or the ANSI code page for
// cpNone. Bytes that do not decode are read again in the ANSI code page.
// found receives the encoding used (cpANSI for the ANSI code page).
std::wstring zoLoadText(TStream& stream, uint32_t defaultCodePage = cpNone, uint32_t* found = nullptr);
// Writes the encoding's mark, then the text in it; cpNone writes UTF-16 LE.
void zoSaveText(TStream& stream, std::wstring_view text, uint32_t codePage = cpNone);
// The byte-order mark of a code page ("" for those without one).
std::string_view zoPreamble(uint32_t codePage);
