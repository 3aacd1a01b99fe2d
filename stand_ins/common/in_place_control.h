// What the stand-in controls share: the in-place object a control host sites and shows around
// one child window (IOleObject, IOleInPlaceObject, IPersistStreamInit), reference counting, and
// in in_place_control.cpp the class factory and the DLL's exports, which register the control
// under the ProgID it takes over in the test and demo prefixes.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <new>
#include <string>

namespace stand_in {

// What each stand-in DLL says about its one control.
struct ControlClass {
  CLSID clsid;
  const char* clsidText;
  const char* progId;
  const char* description;
  const char* windowClass;
  HRESULT (*create)(REFIID iid, void** out);
};
extern const ControlClass kControlClass;  // defined by each DLL

// Texts between the ANSI code page and UTF-16.
std::wstring WideFrom(const std::string& text);
std::string AnsiFrom(const std::wstring& wide);

template <typename Interface>
void ReleaseAndClear(Interface*& pointer) {
  if (pointer == nullptr) return;
  Interface* old = pointer;
  pointer = nullptr;
  old->Release();
}

class InPlaceObject : public IOleObject, public IOleInPlaceObject, public IPersistStreamInit {
 public:
  InPlaceObject() = default;
  virtual ~InPlaceObject();
  InPlaceObject(const InPlaceObject&) = delete;
  InPlaceObject& operator=(const InPlaceObject&) = delete;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD) override { return InPlaceDeactivate(); }
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                   LPCRECT position) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return OLE_S_USEREG; }
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

  // IPersist, IPersistStreamInit: a new control has no saved state, and nothing is saved.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override { return S_OK; }

  // The control's own answer to a message of its window other than WM_ERASEBKGND; false leaves
  // it to the default.
  virtual bool Answer(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;

 protected:
  // The interfaces of this object by their IDs; null for others.
  void* InPlaceInterface(REFIID iid);
  // The window's text when it is made.
  virtual std::string WindowText() const = 0;
  void Repaint() const {
    if (window_ != nullptr) InvalidateRect(window_, nullptr, TRUE);
  }

  HWND window_ = nullptr;
  SIZEL extent_ = {0, 0};

 private:
  HRESULT ActivateInPlace(IOleClientSite* site, HWND parent, LPCRECT position);

  IOleClientSite* clientSite_ = nullptr;
  IOleInPlaceSite* inPlaceSite_ = nullptr;
};

// A control whose main interface is Primary (a dual interface): one reference count and one
// QueryInterface for all it offers. OtherInterface gives what it offers besides Primary's IDs and
// the in-place object's.
template <typename Primary>
class Control : public Primary, public InPlaceObject {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = iid == IID_IUnknown || iid == IID_IDispatch ? static_cast<Primary*>(this) : OtherInterface(iid);
    if (*out == nullptr) *out = InPlaceInterface(iid);
    if (*out == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  // IDispatch without type information: the program calls the interface directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

 protected:
  virtual void* OtherInterface(REFIID iid) = 0;

 private:
  LONG references_ = 1;
};

// The factory's way to make a control: a new one, asked for iid.
template <typename Made>
HRESULT CreateControl(REFIID iid, void** out) {
  auto* made = new (std::nothrow) Made();
  if (made == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = made->QueryInterface(iid, out);
  made->Release();
  return result;
}

}  // namespace stand_in
