#pragma once
// CFlatButton: the program's own owner-drawn push button. Flat until the pointer is over it
// (raised edge) or it is pressed (sunken edge), with an optional icon and a centred multi-line
// caption; it can also act as a check box.
//
// It stays a QPushButton, so screen readers meet an ordinary push button named by its caption.
// The window messages it handles on Windows are member functions of the same names, driven by
// the matching Qt events.

#include <QPushButton>

#include <array>

#include "platform/gdi/dc.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/winuser.h"

class CFlatButton : public QPushButton {
  Q_OBJECT

 public:
  // Setter results.
  enum Result : int {
    kOk = 0,
    kInvalidIcon = 1,
    kAlignmentOutOfRange = 4,
    kPressedStyleOutOfRange = 6,
  };

  // Image placement (SetImageAlignment). Unscoped, so that the setter keeps taking the plain
  // byte of its callers and can refuse one out of range.
  enum ImageAlignment : gdi::BYTE {
    kImageLeft = 0,     // left of the caption
    kImageAbove = 1,    // above the caption
    kImageRight = 2,    // right of the caption
    kImageOverlap = 3,  // image and caption share the face
  };

  // Pressed styles (SetPressedStyle).
  enum PressedStyle : gdi::BYTE {
    kPressedDiagonal = 0,  // offset (1, 1)
    kPressedDown = 1,      // offset (0, 2)
  };

  // Idle-icon markers for SetIcons and SetIconsFromResources: build the idle icon from the
  // active one, darkened or in grey.
  static constexpr gdi::HICON kDarkIdleIcon = gdi::HICON{0xFFFFFFFDu};  // -3
  static constexpr gdi::HICON kGrayIdleIcon = gdi::HICON{0xFFFFFFFEu};  // -2

  // The colour slots.
  enum ColorSlot {
    kHotBackground = 0,  // background while hovered or pressed
    kHotText,            // text while hovered or pressed
    kIdleBackground,     // background idle
    kIdleText,           // text idle
    kFocusBackground,    // background while focused
    kFocusText,          // text while focused
    kColorCount
  };

  // The icon slots.
  enum IconSlot {
    kActiveIcon = 0,  // while pressed or hovered
    kIdleIcon,        // otherwise; may be empty
    kIconCount
  };

  // style is the control's window style as a dialog template gives it; its type bits decide
  // whether the button is a check box or the default button, and are then made owner-draw.
  explicit CFlatButton(const QString& caption = QString(), QWidget* parent = nullptr,
                       gdi::DWORD style = gdi::BS_PUSHBUTTON);
  ~CFlatButton() override;

  int SetIcons(gdi::HICON activeIcon, gdi::HICON idleIcon);
  // idleId 0: no idle icon; (UINT)-3 and (UINT)-2: the markers above.
  int SetIconsFromResources(gdi::UINT activeId, int width, int height, gdi::UINT idleId,
                            int idleWidth, int idleHeight);
  int SetImageAlignment(gdi::BYTE align, gdi::BOOL repaint);
  int SetPressedStyle(gdi::BYTE style, gdi::BOOL repaint);
  // Only in check-box mode.
  int SetChecked(int check, gdi::BOOL repaint);
  int IsChecked() const { return checked_; }
  int ResetColors(gdi::BOOL repaint);

  // A new icon of the same size whose non-black pixels are grey (luminance) or darkened by a
  // quarter, sharing the source's mask; the null icon when the source cannot be read.
  static gdi::HICON MakeGrayIcon(gdi::HICON icon);
  static gdi::HICON MakeDarkIcon(gdi::HICON icon);
  // Each channel c becomes c - c * factor (truncated) for 0 < factor <= 1, else no change.
  static gdi::COLORREF DimColor(gdi::COLORREF color, double factor);

  // Where the image goes, and what it leaves of captionRect for the caption.
  void PlaceImage(gdi::BOOL hasCaption, const gdi::RECT* itemRect, gdi::RECT* captionRect,
                  gdi::BOOL pressed, gdi::DWORD imageWidth, gdi::DWORD imageHeight,
                  gdi::RECT* imageRect) const;

  // --- framework overrides and message handlers ---
  virtual void PreSubclassWindow();
  virtual void DrawItem(gdi::DRAWITEMSTRUCT* drawItem);
  void OnKillFocus();
  void OnMouseMove(gdi::UINT flags, gdi::POINT point);
  long OnMouseLeave();
  void OnSysColorChange();
  gdi::BOOL OnClicked();  // reflected BN_CLICKED; FALSE lets the parent see the click too
  void OnActivate(gdi::UINT state);
  void OnEnable(gdi::BOOL enable);
  void OnCancelMode();
  gdi::UINT GetDlgCode() const;                                         // WM_GETDLGCODE
  gdi::CBrush CtlColor() const;                                         // reflected WM_CTLCOLOR
  long SetButtonStyle(gdi::DWORD style, gdi::BOOL redraw = gdi::TRUE);  // BM_SETSTYLE
  long OnSetCheck(gdi::UINT check);                                     // BM_SETCHECK
  long OnGetCheck() const { return checked_; }                          // BM_GETCHECK

  // --- state, for the dialog and for tests ---
  gdi::DWORD GetWindowStyle() const { return windowStyle_; }
  gdi::DWORD GetButtonType() const { return buttonType_; }
  bool IsCheckBox() const { return checkBox_; }
  bool IsDefaultButton() const { return defaultButton_; }
  bool IsHovered() const { return hover_; }
  ImageAlignment GetImageAlignment() const { return align_; }
  gdi::POINT GetPressedOffset() const { return pressedOffset_; }
  gdi::COLORREF GetColor(ColorSlot slot) const { return colors_[slot]; }
  gdi::HICON GetIcon(IconSlot slot) const { return icons_[slot].icon; }
  gdi::SIZE GetIconSize(IconSlot slot) const;

 protected:
  virtual gdi::DWORD DrawBackground(gdi::CDC* dc, const gdi::RECT* rect);
  virtual gdi::DWORD DrawBorder(gdi::CDC* dc, const gdi::RECT* rect);
  virtual void DrawIconImage(gdi::CDC* dc, gdi::BOOL hasCaption, const gdi::RECT* itemRect,
                             gdi::RECT* captionRect, gdi::BOOL pressed, gdi::BOOL disabled);
  // A hook for buttons that carry a bitmap; this one has none, so DrawItem never calls it.
  virtual void DrawBitmapImage(gdi::CDC* dc, gdi::BOOL hasCaption, const gdi::RECT* itemRect,
                               gdi::RECT* captionRect, gdi::BOOL pressed, gdi::BOOL disabled);
  virtual void DrawCaption(gdi::CDC* dc, const QString& text, const gdi::RECT* itemRect,
                           gdi::RECT* captionRect, gdi::BOOL pressed, gdi::BOOL disabled);

  void EndHover();
  void ReleaseImages();
  void EnsureToolTip();

  // Qt's events, turned into the handlers above.
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void changeEvent(QEvent* e) override;
  // Check-box mode keeps its own checked state, toggled by OnClicked.
  void nextCheckState() override {}

  gdi::POINT imageOrigin_{3, 3};
  gdi::POINT pressedOffset_{1, 1};
  bool hover_ = false;
  bool drawnPressed_ = false;  // as drawn: a checked check box draws pressed too
  bool focused_ = false;
  bool disabled_ = false;
  bool defaultButton_ = false;
  bool checkBox_ = false;
  ImageAlignment align_ = kImageLeft;
  std::array<gdi::COLORREF, kColorCount> colors_{};
  // The button's own standard tooltip: inactive and without tools (the dialog's visible tips
  // come from its rich tooltip), it only has to exist.
  struct ToolTipCtrl {
    bool created = false;
    bool active = false;
    int maxTipWidth = -1;
  } toolTipCtrl_;
  int checked_ = 0;
  gdi::DWORD buttonType_ = 0xF;
  struct IconEntry {
    gdi::HICON icon = gdi::NULL_ICON;
    gdi::DWORD width = 0;
    gdi::DWORD height = 0;
  };
  std::array<IconEntry, kIconCount> icons_{};

 private:
  gdi::DWORD windowStyle_ = gdi::BS_PUSHBUTTON;
  bool windowEnabled_ = true;  // the button's own enabled state, as WM_ENABLE reports it
};
