// Texts for the ActiveX controls: the program's texts are single-byte in the ANSI code page, the
// controls take UTF-16. A converted text lives for one call.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

// text converted from the ANSI code page (CP_ACP) to UTF-16; the terminating zero is the
// string's own.
std::wstring ToWideText(const std::string& text);

// A BSTR that is freed when it goes out of scope.
class UniqueBstr {
 public:
  explicit UniqueBstr(const std::wstring& text)
      : bstr_(SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()))) {}
  ~UniqueBstr() { SysFreeString(bstr_); }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  BSTR get() const { return bstr_; }

 private:
  BSTR bstr_;
};
