// The Flash player's automation interface, IShockwaveFlash, declared here as the player's type
// library publishes it: MinGW's headers do not carry it. The program and the project's stand-in
// player both build on this one declaration, so their vtables cannot drift apart.
//
// The methods are listed once, in their published order, in VERDIMO_SHOCKWAVE_FLASH_METHODS
// (name, parenthesised parameter list). Counting IUnknown (slots 0-2) and IDispatch (3-6), the
// first method sits in slot 7; put_BackgroundColor is slot 18, Zoom 26 and LoadMovie 58. Only
// those three are used by the program; the others are there to hold the slots.
#pragma once

#include <oaidl.h>
#include <objbase.h>

#define VERDIMO_SHOCKWAVE_FLASH_METHODS(X)                    \
  X(get_ReadyState, (long* /*state*/))                        \
  X(get_TotalFrames, (long* /*frames*/))                      \
  X(get_Playing, (VARIANT_BOOL* /*playing*/))                 \
  X(put_Playing, (VARIANT_BOOL /*playing*/))                  \
  X(get_Quality, (int* /*quality*/))                          \
  X(put_Quality, (int /*quality*/))                           \
  X(get_ScaleMode, (int* /*mode*/))                           \
  X(put_ScaleMode, (int /*mode*/))                            \
  X(get_AlignMode, (int* /*mode*/))                           \
  X(put_AlignMode, (int /*mode*/))                            \
  X(get_BackgroundColor, (long* /*colour*/))                  \
  X(put_BackgroundColor, (long /*colour*/))                   \
  X(get_Loop, (VARIANT_BOOL* /*loop*/))                       \
  X(put_Loop, (VARIANT_BOOL /*loop*/))                        \
  X(get_Movie, (BSTR* /*movie*/))                             \
  X(put_Movie, (BSTR /*movie*/))                              \
  X(get_FrameNum, (long* /*frame*/))                          \
  X(put_FrameNum, (long /*frame*/))                           \
  X(SetZoomRect, (long /*left*/, long /*top*/, long /*right*/, long /*bottom*/)) \
  X(Zoom, (int /*factor*/))                                   \
  X(Pan, (long /*x*/, long /*y*/, int /*mode*/))              \
  X(Play, ())                                                 \
  X(Stop, ())                                                 \
  X(Back, ())                                                 \
  X(Forward, ())                                              \
  X(Rewind, ())                                               \
  X(StopPlay, ())                                             \
  X(GotoFrame, (long /*frame*/))                              \
  X(CurrentFrame, (long* /*frame*/))                          \
  X(IsPlaying, (VARIANT_BOOL* /*playing*/))                   \
  X(PercentLoaded, (long* /*percent*/))                       \
  X(FrameLoaded, (long /*frame*/, VARIANT_BOOL* /*loaded*/))  \
  X(FlashVersion, (long* /*version*/))                        \
  X(get_WMode, (BSTR* /*mode*/))                              \
  X(put_WMode, (BSTR /*mode*/))                               \
  X(get_SAlign, (BSTR* /*align*/))                            \
  X(put_SAlign, (BSTR /*align*/))                             \
  X(get_Menu, (VARIANT_BOOL* /*menu*/))                       \
  X(put_Menu, (VARIANT_BOOL /*menu*/))                        \
  X(get_Base, (BSTR* /*base*/))                               \
  X(put_Base, (BSTR /*base*/))                                \
  X(get_Scale, (BSTR* /*scale*/))                             \
  X(put_Scale, (BSTR /*scale*/))                              \
  X(get_DeviceFont, (VARIANT_BOOL* /*deviceFont*/))           \
  X(put_DeviceFont, (VARIANT_BOOL /*deviceFont*/))            \
  X(get_EmbedMovie, (VARIANT_BOOL* /*embed*/))                \
  X(put_EmbedMovie, (VARIANT_BOOL /*embed*/))                 \
  X(get_BGColor, (BSTR* /*colour*/))                          \
  X(put_BGColor, (BSTR /*colour*/))                           \
  X(get_Quality2, (BSTR* /*quality*/))                        \
  X(put_Quality2, (BSTR /*quality*/))                         \
  X(LoadMovie, (int /*layer*/, BSTR /*url*/))

#define VERDIMO_DECLARE_FLASH_METHOD(name, parameters) \
  virtual HRESULT STDMETHODCALLTYPE name parameters = 0;

// {D27CDB6C-AE6D-11CF-96B8-444553540000}
struct IShockwaveFlash : public IDispatch {
  VERDIMO_SHOCKWAVE_FLASH_METHODS(VERDIMO_DECLARE_FLASH_METHOD)
};

#undef VERDIMO_DECLARE_FLASH_METHOD

constexpr IID IID_IShockwaveFlash = {
    0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// The player's programmatic identifier, the one name under which the program asks for it.
constexpr const char* kFlashProgId = "ShockwaveFlash.ShockwaveFlash";
