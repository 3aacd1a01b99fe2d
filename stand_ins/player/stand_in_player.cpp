// The project's stand-in for the Flash player: an in-process ActiveX control that registers
// itself under the player's ProgID "ShockwaveFlash.ShockwaveFlash" (with a CLSID of its own) in
// the test and demo Wine prefixes, where no player exists. It is never part of verdimo.exe.
//
// What it offers is what the program asks of the player: IShockwaveFlash with the player's
// vtable (put_BackgroundColor, Zoom and LoadMovie do something, the rest answer E_NOTIMPL), its
// AllowScriptAccess and AllowNetworking properties by name through IDispatch, and
// what a control host needs to site and show a control: IOleObject (client site, in-place
// activation through DoVerb, extent), IOleInPlaceObject (its window, its rectangles) and
// IPersistStreamInit (InitNew). It makes one child window that fills its container, painted in
// the background colour with the address of the movie it holds; the window's text is the
// address of the last LoadMovie ("unload" after an unload), so a test can read it back, and its
// properties named after those two settings hold their values at that LoadMovie.
#include <string>

#include "host/shockwave_flash.h"
#include "../common/in_place_control.h"

namespace {

// {1E2FB866-8110-4080-9F18-89457733F3E2}
constexpr CLSID kStandInPlayerClsid = {
    0x1e2fb866, 0x8110, 0x4080, {0x9f, 0x18, 0x89, 0x45, 0x77, 0x33, 0xf3, 0xe2}};
constexpr const char* kClsidText = "{1E2FB866-8110-4080-9F18-89457733F3E2}";
constexpr const char* kWindowClass = "VerdimoStandInPlayer";
constexpr long kStartColour = 0x303030;
const wchar_t* const kSettingNames[] = {L"AllowScriptAccess", L"AllowNetworking"};

// Every method of IShockwaveFlash answering E_NOTIMPL; the player overrides what it offers.
#define VERDIMO_NOT_IMPLEMENTED(name, parameters) \
  HRESULT STDMETHODCALLTYPE name parameters override { return E_NOTIMPL; }
class FlashMethodsNotImplemented : public IShockwaveFlash {
 public:
  VERDIMO_SHOCKWAVE_FLASH_METHODS(VERDIMO_NOT_IMPLEMENTED)
};
#undef VERDIMO_NOT_IMPLEMENTED

class StandInPlayer final : public stand_in::Control<FlashMethodsNotImplemented> {
 public:
  StandInPlayer() { extent_ = {10583, 7938}; }  // 400 x 300 pixels at 96 dpi, in 0.01 mm

  // IDispatch: the two confinement properties by name (put only); the rest is the vtable.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (names == nullptr || ids == nullptr || count != 1) return E_INVALIDARG;
    for (DISPID id = 0; id < 2; ++id) {
      if (lstrcmpiW(names[0], kSettingNames[id]) == 0) return (*ids = id, S_OK);
    }
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    if (id < 0 || id > 1 || flags != DISPATCH_PROPERTYPUT || parameters == nullptr || parameters->cArgs != 1 ||
        parameters->cNamedArgs != 1 || parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
        parameters->rgvarg[0].vt != VT_BSTR) {
      return DISP_E_MEMBERNOTFOUND;
    }
    settings_[id] = parameters->rgvarg[0].bstrVal != nullptr ? parameters->rgvarg[0].bstrVal : L"";
    return S_OK;
  }

  // IShockwaveFlash: what the program uses.
  HRESULT STDMETHODCALLTYPE get_BackgroundColor(long* colour) override {
    if (colour == nullptr) return E_POINTER;
    *colour = colour_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_BackgroundColor(long colour) override {
    colour_ = colour;
    Repaint();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Zoom(int) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LoadMovie(int layer, BSTR url) override {
    if (layer != 0) return E_NOTIMPL;
    movie_ = url != nullptr ? std::wstring(url, SysStringLen(url)) : std::wstring();
    if (window_ != nullptr) SetWindowTextA(window_, WindowText().c_str());
    // The settings in force for this movie, for tests in any process: a window property per
    // setting, holding a global atom of its value.
    for (int i = 0; i < 2 && window_ != nullptr; ++i) {
      if (ATOM old = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(RemovePropW(window_, kSettingNames[i])))) {
        GlobalDeleteAtom(old);
      }
      const ATOM value = settings_[i].empty() ? 0 : GlobalAddAtomW(settings_[i].c_str());
      if (value != 0) SetPropW(window_, kSettingNames[i], reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(value)));
    }
    Repaint();
    return S_OK;
  }

  bool Answer(HWND window, UINT message, WPARAM, LPARAM, LRESULT* result) override {
    if (message != WM_PAINT) return false;
    Paint(window);
    *result = 0;
    return true;
  }

 private:
  void* OtherInterface(REFIID iid) override {
    return iid == IID_IShockwaveFlash ? static_cast<IShockwaveFlash*>(this) : nullptr;
  }
  // The movie's address as the window's text: in the ANSI code page, as the program gave it.
  std::string WindowText() const override { return stand_in::AnsiFrom(movie_); }

  void Paint(HWND window) const {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour_));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, (colour_ & 0xFF) + ((colour_ >> 8) & 0xFF) + ((colour_ >> 16) & 0xFF) > 384
                         ? RGB(0, 0, 0)
                         : RGB(255, 255, 255));
    InflateRect(&client, -6, -4);
    DrawTextW(dc, movie_.c_str(), static_cast<int>(movie_.size()), &client,
              DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    EndPaint(window, &paint);
  }

  long colour_ = kStartColour;
  std::wstring movie_;
  std::wstring settings_[2];
};

}  // namespace

const stand_in::ControlClass stand_in::kControlClass = {
    kStandInPlayerClsid, kClsidText,     kFlashProgId, "Verdimo stand-in player",
    kWindowClass,        stand_in::CreateControl<StandInPlayer>};
