#pragma once
// The window-manager side of the layer: the button styles, notification codes and the
// owner-draw record that owner-drawn controls exchange with their dialog.

#include "platform/gdi/gdi.h"

class QWidget;

namespace gdi {

class CDC;

// Button styles (the type bits, style & BS_TYPEMASK).
inline constexpr DWORD BS_PUSHBUTTON = 0x0;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
inline constexpr DWORD BS_CHECKBOX = 0x2;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x3;
inline constexpr DWORD BS_OWNERDRAW = 0xB;
inline constexpr DWORD BS_TYPEMASK = 0xF;

// Check states (BM_SETCHECK, BM_GETCHECK).
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int BST_INDETERMINATE = 2;

// WM_GETDLGCODE results.
inline constexpr UINT DLGC_DEFPUSHBUTTON = 0x0010;
inline constexpr UINT DLGC_UNDEFPUSHBUTTON = 0x0020;
inline constexpr UINT DLGC_BUTTON = 0x2000;

// WM_ACTIVATE states.
inline constexpr UINT WA_INACTIVE = 0;
inline constexpr UINT WA_ACTIVE = 1;

// Mouse key flags of WM_MOUSEMOVE.
inline constexpr UINT MK_LBUTTON = 0x0001;

// The owner-draw record.
inline constexpr UINT ODT_BUTTON = 4;
inline constexpr UINT ODA_DRAWENTIRE = 0x0001;
inline constexpr UINT ODS_SELECTED = 0x0001;
inline constexpr UINT ODS_DISABLED = 0x0004;
inline constexpr UINT ODS_FOCUS = 0x0010;

struct DRAWITEMSTRUCT {
  UINT CtlType = ODT_BUTTON;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = ODA_DRAWENTIRE;
  UINT itemState = 0;
  QWidget* hwndItem = nullptr;
  CDC* hDC = nullptr;
  RECT rcItem;
};

}  // namespace gdi
