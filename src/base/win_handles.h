// Owners for Windows handles: each closes its handle in its destructor, so an early return
// never leaks. Non-copyable, movable.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wininet.h>

#include <utility>

template <typename Handle, typename Close>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle(); }
  Handle release() { return std::exchange(handle_, Handle()); }
  void reset(Handle handle = Handle()) {
    if (handle_ != Handle()) Close()(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Handle();
};

struct CloseKernelHandle {
  void operator()(HANDLE h) const {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
struct CloseInternetHandle {
  void operator()(HINTERNET h) const { InternetCloseHandle(h); }
};
struct DeleteGdiObject {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct DestroyMenuHandle {
  void operator()(HMENU h) const { DestroyMenu(h); }
};
struct DeleteMemoryDc {
  void operator()(HDC h) const { DeleteDC(h); }
};
struct FreeLibraryHandle {
  void operator()(HMODULE h) const { FreeLibrary(h); }
};
struct FreeGlobalMemory {
  void operator()(HGLOBAL h) const { GlobalFree(h); }
};

struct DestroyAccelerators {
  void operator()(HACCEL h) const { DestroyAcceleratorTable(h); }
};

using UniqueAccelerators = UniqueHandle<HACCEL, DestroyAccelerators>;
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseKernelHandle>;
using UniqueInternetHandle = UniqueHandle<HINTERNET, CloseInternetHandle>;
using UniqueBitmap = UniqueHandle<HBITMAP, DeleteGdiObject>;
using UniqueFont = UniqueHandle<HFONT, DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, DeleteGdiObject>;
using UniqueRegion = UniqueHandle<HRGN, DeleteGdiObject>;
using UniqueMenu = UniqueHandle<HMENU, DestroyMenuHandle>;
using UniqueMemoryDc = UniqueHandle<HDC, DeleteMemoryDc>;
using UniqueLibrary = UniqueHandle<HMODULE, FreeLibraryHandle>;
using UniqueGlobalMemory = UniqueHandle<HGLOBAL, FreeGlobalMemory>;

// A COM interface pointer that is released when it goes out of scope.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  Interface** out() {
    reset();
    return &pointer_;
  }
  void** out_void() { return reinterpret_cast<void**>(out()); }
  explicit operator bool() const { return pointer_ != nullptr; }
  Interface* release() { return std::exchange(pointer_, nullptr); }
  void reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

// COM initialised on this thread for as long as the owner lives.
class ScopedComApartment {
 public:
  ScopedComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ScopedComApartment() {
    if (initialised_) CoUninitialize();
  }
  ScopedComApartment(const ScopedComApartment&) = delete;
  ScopedComApartment& operator=(const ScopedComApartment&) = delete;

 private:
  bool initialised_;
};

// A critical section held for as long as the owner lives.
class ScopedCriticalSection {
 public:
  explicit ScopedCriticalSection(CRITICAL_SECTION* section) : section_(section) {
    EnterCriticalSection(section_);
  }
  ~ScopedCriticalSection() { LeaveCriticalSection(section_); }
  ScopedCriticalSection(const ScopedCriticalSection&) = delete;
  ScopedCriticalSection& operator=(const ScopedCriticalSection&) = delete;

 private:
  CRITICAL_SECTION* section_;
};

// An object selected into a device context, selected out again when the owner goes.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~ScopedSelectObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
  bool ok() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A window's DC, the screen's for none, released when the owner goes.
class WindowDc {
 public:
  explicit WindowDc(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};
using ScreenDc = WindowDc;


// A BSTR freed when the owner goes.
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

// A VARIANT cleared when the owner goes.
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
