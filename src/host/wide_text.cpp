#include "host/wide_text.h"

std::wstring ToWideText(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
  wide.resize(static_cast<size_t>(length - 1));
  return wide;
}

UniqueBstr BstrOf(const std::wstring& wide) {
  return UniqueBstr(SysAllocStringLen(wide.c_str(), static_cast<UINT>(wide.size())));
}

UniqueBstr BstrFromText(const std::string& text) { return BstrOf(ToWideText(text)); }

std::string TextFromBstr(BSTR wide) {
  if (wide == nullptr) return std::string();
  const int wideLength = static_cast<int>(SysStringLen(wide));
  const int length = WideCharToMultiByte(CP_ACP, 0, wide, wideLength, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) WideCharToMultiByte(CP_ACP, 0, wide, wideLength, &text[0], length, nullptr, nullptr);
  return text;
}
