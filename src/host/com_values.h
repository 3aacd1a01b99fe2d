// Owners for the COM values that the hosted controls take and give: a BSTR and a VARIANT are
// freed when they go out of scope. Texts cross into the controls as UTF-16 made from the
// program's ANSI text, and come back the same way.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(BSTR text) : text_(text) {}
  ~UniqueBstr() { SysFreeString(text_); }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  UniqueBstr(UniqueBstr&& other) noexcept : text_(other.release()) {}
  BSTR get() const { return text_; }
  BSTR* out() {
    SysFreeString(std::exchange(text_, nullptr));
    return &text_;
  }
  BSTR release() { return std::exchange(text_, nullptr); }

 private:
  BSTR text_ = nullptr;
};

class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&value_); }
  ~ScopedVariant() { VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  // Takes over text as a VT_BSTR value.
  void SetText(UniqueBstr text) {
    VariantClear(&value_);
    value_.vt = VT_BSTR;
    value_.bstrVal = text.release();
  }
  VARIANT* get() { return &value_; }

 private:
  VARIANT value_;
};

// The ANSI text as a BSTR; null only when memory runs out.
inline UniqueBstr BstrFromText(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  UniqueBstr wide(SysAllocStringLen(nullptr, static_cast<UINT>(length)));
  if (wide.get() != nullptr && length > 0) {
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.get(), length);
  }
  return wide;
}

inline std::string TextFromBstr(BSTR wide) {
  if (wide == nullptr) return std::string();
  const int wideLength = static_cast<int>(SysStringLen(wide));
  const int length = WideCharToMultiByte(CP_ACP, 0, wide, wideLength, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) WideCharToMultiByte(CP_ACP, 0, wide, wideLength, &text[0], length, nullptr, nullptr);
  return text;
}
