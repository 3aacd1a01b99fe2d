// Texts for the ActiveX controls: the program's texts are single-byte in the ANSI code page, the
// controls take UTF-16, as BSTRs where an interface asks for one. A converted text lives for one
// call.
#pragma once

#include <windows.h>

#include <string>

#include "base/win_handles.h"

// text converted from the ANSI code page (CP_ACP) to UTF-16; the terminating zero is the
// string's own.
std::wstring ToWideText(const std::string& text);

// The wide text as a BSTR; null only when memory runs out.
UniqueBstr BstrOf(const std::wstring& wide);

// The ANSI text as a BSTR (ToWideText, then BstrOf).
UniqueBstr BstrFromText(const std::string& text);

// A BSTR back in the ANSI code page; "" for a null one.
std::string TextFromBstr(BSTR wide);
