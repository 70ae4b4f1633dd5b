#include "widgets/buttons/flat_button.h"

#include <QMouseEvent>
#include <QPainter>

using namespace gdi;

namespace {

// Builds a same-sized icon from `icon` pixel by pixel, keeping black and the source's mask.
HICON MakeFilteredIcon(HICON icon, COLORREF (*filter)(COLORREF)) {
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return NULL_ICON;
  const int width = static_cast<int>(info.xHotspot * 2);
  const int height = static_cast<int>(info.yHotspot * 2);
  std::unique_ptr<CDC> sourceDC = CDC::CreateCompatibleDC(nullptr);
  std::unique_ptr<CDC> targetDC = CDC::CreateCompatibleDC(nullptr);
  std::unique_ptr<CBitmap> bitmap = CBitmap::CreateCompatibleBitmap(width, height);
  if (!sourceDC || !targetDC || !bitmap) return NULL_ICON;

  CBitmap* oldSource = sourceDC->SelectObject(info.hbmColor.get());
  CBitmap* oldTarget = targetDC->SelectObject(bitmap.get());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const COLORREF pixel = sourceDC->GetPixel(x, y);
      targetDC->SetPixel(x, y, pixel == 0 ? pixel : filter(pixel));
    }
  }
  sourceDC->SelectObject(oldSource);
  targetDC->SelectObject(oldTarget);

  ICONINFO made;
  made.fIcon = TRUE;
  made.xHotspot = info.xHotspot;
  made.yHotspot = info.yHotspot;
  made.hbmMask = std::move(info.hbmMask);
  made.hbmColor = std::move(bitmap);
  return CreateIconIndirect(made);
}

COLORREF GrayOf(COLORREF color) {
  const int level = static_cast<int>(0.299 * GetRValue(color) + 0.587 * GetGValue(color) +
                                     0.114 * GetBValue(color));
  return RGB(level, level, level);
}

COLORREF DarkOf(COLORREF color) { return CFlatButton::DimColor(color, 0.25); }

}  // namespace

CFlatButton::CFlatButton(const QString& caption, QWidget* parent, DWORD style)
    : QPushButton(caption, parent), windowStyle_(style) {
  ResetColors(FALSE);
  SetPressedStyle(kPressedDiagonal, FALSE);
  // Hover tracking needs the moves of a pointer without a button held, as Windows sends them.
  setMouseTracking(true);
  connect(this, &QAbstractButton::clicked, this, [this] { OnClicked(); });
  // Qt's checked state (what a screen reader sees) may also be changed from outside, for
  // example by an accessibility toggle action.
  connect(this, &QAbstractButton::toggled, this, [this](bool on) {
    if (checkBox_ && checked_ != int{on}) {
      checked_ = on;
      update();
    }
  });
  // The control exists from construction on, so it is taken over at once.
  PreSubclassWindow();
}

CFlatButton::~CFlatButton() { ReleaseImages(); }

// ---- setters ----------------------------------------------------------------------------------

int CFlatButton::SetIcons(HICON activeIcon, HICON idleIcon) {
  ReleaseImages();
  if (activeIcon == NULL_ICON) {
    update();
    return kOk;
  }
  // The button owns each icon from here on; its size is twice its hotspot.
  const auto store = [this](IconEntry& entry, HICON icon) {
    entry.icon = icon;
    ICONINFO info;
    if (!GetIconInfo(icon, &info)) {
      ReleaseImages();
      return false;
    }
    entry.width = info.xHotspot * 2;
    entry.height = info.yHotspot * 2;
    return true;
  };
  if (!store(icons_[kActiveIcon], activeIcon)) return kInvalidIcon;
  if (idleIcon != NULL_ICON) {
    if (idleIcon == kDarkIdleIcon) {
      idleIcon = MakeDarkIcon(activeIcon);
    } else if (idleIcon == kGrayIdleIcon) {
      idleIcon = MakeGrayIcon(activeIcon);
    }
    if (!store(icons_[kIdleIcon], idleIcon)) return kInvalidIcon;
  }
  update();
  return kOk;
}

int CFlatButton::SetIconsFromResources(UINT activeId, int width, int height, UINT idleId,
                                       int idleWidth, int idleHeight) {
  const HICON active = LoadIconResource(activeId, width, height);
  HICON idle = NULL_ICON;
  if (idleId == static_cast<UINT>(kDarkIdleIcon) || idleId == static_cast<UINT>(kGrayIdleIcon)) {
    idle = HICON{idleId};
  } else if (idleId != 0) {
    idle = LoadIconResource(idleId, idleWidth, idleHeight);
  }
  return SetIcons(active, idle);
}

int CFlatButton::SetImageAlignment(BYTE newAlign, BOOL repaint) {
  if (newAlign > kImageOverlap) return kAlignmentOutOfRange;
  align_ = static_cast<ImageAlignment>(newAlign);
  if (repaint) update();
  return kOk;
}

int CFlatButton::SetPressedStyle(BYTE style, BOOL repaint) {
  switch (style) {
    case kPressedDiagonal:
      pressedOffset_ = {1, 1};
      break;
    case kPressedDown:
      pressedOffset_ = {0, 2};
      break;
    default:
      return kPressedStyleOutOfRange;
  }
  if (repaint) update();
  return kOk;
}

int CFlatButton::SetChecked(int check, BOOL repaint) {
  if (checkBox_) {
    checked_ = check != 0 ? 1 : 0;
    if (QAbstractButton::isChecked() != (checked_ != 0)) QAbstractButton::setChecked(checked_ != 0);
    if (repaint) update();
  }
  return kOk;
}

int CFlatButton::ResetColors(BOOL repaint) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  colors_[kHotBackground] = face;
  colors_[kHotText] = text;
  colors_[kIdleBackground] = face;
  colors_[kIdleText] = text;
  colors_[kFocusBackground] = face;
  colors_[kFocusText] = text;
  if (repaint) update();
  return kOk;
}

SIZE CFlatButton::GetIconSize(IconSlot slot) const {
  return {static_cast<LONG>(icons_[slot].width), static_cast<LONG>(icons_[slot].height)};
}

void CFlatButton::ReleaseImages() {
  for (IconEntry& entry : icons_) {
    if (entry.icon != NULL_ICON) DestroyIcon(entry.icon);
    entry = IconEntry{};
  }
}

// ---- icons ------------------------------------------------------------------------------------

HICON CFlatButton::MakeGrayIcon(HICON icon) { return MakeFilteredIcon(icon, GrayOf); }

HICON CFlatButton::MakeDarkIcon(HICON icon) { return MakeFilteredIcon(icon, DarkOf); }

COLORREF CFlatButton::DimColor(COLORREF color, double factor) {
  if (!(factor > 0.0 && factor <= 1.0)) return color;
  const auto dim = [factor](int c) { return static_cast<int>(c - c * factor); };
  return RGB(dim(GetRValue(color)), dim(GetGValue(color)), dim(GetBValue(color)));
}

// ---- drawing ----------------------------------------------------------------------------------

void CFlatButton::DrawItem(DRAWITEMSTRUCT* drawItem) {
  CDC* dc = drawItem->hDC;
  const UINT state = drawItem->itemState;
  drawnPressed_ =
      checkBox_ ? ((state & ODS_SELECTED) != 0 || checked_) : (state & ODS_SELECTED) != 0;
  focused_ = (state & ODS_FOCUS) != 0;
  disabled_ = (state & ODS_DISABLED) != 0;

  dc->SetBkMode(TRANSPARENT);
  const RECT itemRect = drawItem->rcItem;
  DrawBackground(dc, &itemRect);
  DrawBorder(dc, &itemRect);

  const QString caption = text();
  RECT captionRect = itemRect;
  const BOOL hasCaption = !caption.isEmpty();
  if (icons_[kActiveIcon].icon != NULL_ICON) {
    DrawIconImage(dc, hasCaption, &itemRect, &captionRect, drawnPressed_, disabled_);
  }
  if (hasCaption) DrawCaption(dc, caption, &itemRect, &captionRect, drawnPressed_, disabled_);
}

DWORD CFlatButton::DrawBackground(CDC* dc, const RECT* rect) {
  COLORREF color = colors_[kIdleBackground];
  if (hover_ || drawnPressed_) {
    color = colors_[kHotBackground];
  } else if (focused_) {
    color = colors_[kFocusBackground];
  }
  dc->FillRect(*rect, CBrush(color));
  return 0;
}

DWORD CFlatButton::DrawBorder(CDC* dc, const RECT* rect) {
  if (drawnPressed_) {
    dc->Draw3dRect(*rect, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
  } else if (hover_) {
    dc->Draw3dRect(*rect, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
  }
  return 0;
}

void CFlatButton::PlaceImage(BOOL hasCaption, const RECT* itemRect, RECT* captionRect,
                             BOOL isPressed, DWORD imageWidth, DWORD imageHeight,
                             RECT* imageRect) const {
  const int w = static_cast<int>(imageWidth);
  const int h = static_cast<int>(imageHeight);
  *imageRect = *itemRect;
  switch (align_) {
    case kImageLeft:
      if (!hasCaption) {
        imageRect->left += (imageRect->Width() - w) / 2;
      } else {
        imageRect->left += imageOrigin_.x;
        captionRect->left += w + imageOrigin_.x;
      }
      imageRect->top += (imageRect->Height() - h) / 2;
      break;
    case kImageAbove:
      imageRect->left += (imageRect->Width() - w) / 2;
      if (!hasCaption) {
        imageRect->top += (imageRect->Height() - h) / 2;
      } else {
        imageRect->top = imageOrigin_.y;
        captionRect->top += h;
      }
      break;
    case kImageRight:
      if (!hasCaption) {
        imageRect->left += (imageRect->Width() - w) / 2;
      } else {
        captionRect->right = captionRect->Width() - w - imageOrigin_.x;
        captionRect->left = imageOrigin_.x;
        imageRect->left = width() - w - imageOrigin_.x;
        imageRect->top += (imageRect->Height() - h) / 2;
      }
      break;
    default:  // kImageOverlap
      break;
  }
  if (isPressed && !checkBox_) imageRect->OffsetRect(pressedOffset_.x, pressedOffset_.y);
}

void CFlatButton::DrawIconImage(CDC* dc, BOOL hasCaption, const RECT* itemRect, RECT* captionRect,
                                BOOL isPressed, BOOL isDisabled) {
  const bool active = checkBox_ ? isPressed != 0 : (isPressed || hover_);
  const IconEntry& shown =
      icons_[active || icons_[kIdleIcon].icon == NULL_ICON ? kActiveIcon : kIdleIcon];
  RECT imageRect;
  PlaceImage(hasCaption, itemRect, captionRect, isPressed, shown.width, shown.height, &imageRect);
  dc->DrawState({imageRect.left, imageRect.top},
                {static_cast<LONG>(shown.width), static_cast<LONG>(shown.height)}, shown.icon,
                (isDisabled ? DSS_DISABLED : DSS_NORMAL) | DST_ICON, nullptr);
}

void CFlatButton::DrawBitmapImage(CDC*, BOOL, const RECT*, RECT*, BOOL, BOOL) {}

void CFlatButton::DrawCaption(CDC* dc, const QString& text, const RECT* /*itemRect*/,
                              RECT* captionRect, BOOL isPressed, BOOL isDisabled) {
  if (isPressed && !checkBox_) captionRect->OffsetRect(pressedOffset_.x, pressedOffset_.y);

  // Measure, then centre the text block in what is left of the face.
  const RECT area = *captionRect;
  dc->DrawText(text, captionRect, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
  captionRect->OffsetRect((area.Width() - captionRect->Width()) / 2,
                          (area.Height() - captionRect->Height()) / 2);
  dc->SetBkMode(TRANSPARENT);

  if (isDisabled) {
    captionRect->OffsetRect(1, 1);
    dc->SetTextColor(GetSysColor(COLOR_3DHILIGHT));
    dc->DrawText(text, captionRect, DT_WORDBREAK | DT_CENTER);
    captionRect->OffsetRect(-1, -1);
    dc->SetTextColor(GetSysColor(COLOR_3DSHADOW));
    dc->DrawText(text, captionRect, DT_WORDBREAK | DT_CENTER);
    return;
  }
  if (hover_ || isPressed) {
    dc->SetTextColor(colors_[kHotText]);
    dc->SetBkColor(colors_[kHotBackground]);
  } else if (focused_) {
    dc->SetTextColor(colors_[kFocusText]);
    dc->SetBkColor(colors_[kFocusBackground]);
  } else {
    dc->SetTextColor(colors_[kIdleText]);
    dc->SetBkColor(colors_[kIdleBackground]);
  }
  dc->DrawText(text, captionRect, DT_WORDBREAK | DT_CENTER);
}

// ---- window messages --------------------------------------------------------------------------

void CFlatButton::PreSubclassWindow() {
  const DWORD style = windowStyle_;
  buttonType_ = style & BS_TYPEMASK;
  if (style & BS_CHECKBOX) checkBox_ = true;
  if (buttonType_ == BS_DEFPUSHBUTTON) {
    defaultButton_ = true;
    buttonType_ = BS_PUSHBUTTON;
  }
  windowStyle_ = (style & ~BS_TYPEMASK) | BS_OWNERDRAW;
  setCheckable(checkBox_);
  setDefault(defaultButton_);
}

void CFlatButton::EndHover() {
  if (!hover_) return;
  hover_ = false;
  update();
}

void CFlatButton::OnKillFocus() { EndHover(); }

void CFlatButton::OnMouseMove(UINT flags, POINT point) {
  // A press that started elsewhere does not light the button up.
  if ((flags & MK_LBUTTON) && !hover_) return;
  // While the button holds the mouse, moves arrive from outside it too.
  if (rect().contains(point.x, point.y)) {
    if (!hover_) {
      hover_ = true;
      update();
    }
  } else {
    EndHover();
  }
}

long CFlatButton::OnMouseLeave() {
  EndHover();
  return 0;
}

void CFlatButton::OnSysColorChange() { ResetColors(TRUE); }

BOOL CFlatButton::OnClicked() {
  setFocus(Qt::OtherFocusReason);
  if (checkBox_) {
    SetChecked(!checked_, FALSE);
    update();
  }
  return FALSE;
}

void CFlatButton::OnActivate(UINT state) {
  if (state == WA_INACTIVE) EndHover();
}

void CFlatButton::OnEnable(BOOL enable) {
  if (enable) return;
  // The focus goes on to the dialog's next tab stop after this button (wrapping around), or
  // to the dialog itself when there is none, whoever held it before.
  QWidget* dialog = window();
  if (dialog == this) return;
  QWidget* next = nullptr;
  for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
    if (w != dialog && dialog->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) &&
        w->isEnabled() && w->isVisibleTo(dialog)) {
      next = w;
      break;
    }
  }
  (next ? next : dialog)->setFocus(Qt::TabFocusReason);
  EndHover();
}

void CFlatButton::OnCancelMode() { EndHover(); }

UINT CFlatButton::GetDlgCode() const {
  return DLGC_BUTTON | (defaultButton_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

CBrush CFlatButton::CtlColor() const { return CBrush::Null(); }

long CFlatButton::SetButtonStyle(DWORD style, BOOL redraw) {
  const DWORD type = style & BS_TYPEMASK;
  if (type == BS_DEFPUSHBUTTON) {
    defaultButton_ = true;
  } else if (type == BS_PUSHBUTTON) {
    defaultButton_ = false;
  }
  setDefault(defaultButton_);
  windowStyle_ = (windowStyle_ & 0xFFFF0000u) | (((style & ~BS_TYPEMASK) | BS_OWNERDRAW) & 0xFFFFu);
  if (redraw) update();
  return 0;
}

long CFlatButton::OnSetCheck(UINT check) {
  SetChecked(check == BST_CHECKED || check == BST_INDETERMINATE ? 1 : 0, TRUE);
  return 0;
}

void CFlatButton::EnsureToolTip() {
  if (toolTipCtrl_.created) return;
  toolTipCtrl_.created = true;
  toolTipCtrl_.active = false;
  toolTipCtrl_.maxTipWidth = 400;
}

// ---- Qt events --------------------------------------------------------------------------------

bool CFlatButton::event(QEvent* e) {
  EnsureToolTip();
  // A double click acts as a second single click.
  if (e->type() == QEvent::MouseButtonDblClick) {
    auto* me = static_cast<QMouseEvent*>(e);
    if (me->button() == Qt::LeftButton) {
      QMouseEvent press(QEvent::MouseButtonPress, me->position(), me->scenePosition(),
                        me->globalPosition(), me->button(), me->buttons(), me->modifiers(),
                        me->pointingDevice());
      const bool handled = QPushButton::event(&press);
      e->setAccepted(press.isAccepted());
      return handled;
    }
  }
  return QPushButton::event(e);
}

void CFlatButton::paintEvent(QPaintEvent*) {
  QImage face(size(), QImage::Format_ARGB32_Premultiplied);
  if (face.isNull()) return;
  face.fill(Qt::transparent);
  CDC dc(&face);
  dc.SelectObject(font());

  DRAWITEMSTRUCT drawItem;
  drawItem.CtlType = ODT_BUTTON;
  drawItem.itemAction = ODA_DRAWENTIRE;
  drawItem.itemState = (isDown() ? ODS_SELECTED : 0) | (hasFocus() ? ODS_FOCUS : 0) |
                       (isEnabled() ? 0 : ODS_DISABLED);
  drawItem.hwndItem = this;
  drawItem.hDC = &dc;
  drawItem.rcItem = {0, 0, width(), height()};
  DrawItem(&drawItem);

  QPainter painter(this);
  painter.drawImage(0, 0, face);
}

void CFlatButton::mouseMoveEvent(QMouseEvent* e) {
  QPushButton::mouseMoveEvent(e);
  const QPoint point = e->position().toPoint();
  OnMouseMove((e->buttons() & Qt::LeftButton) ? MK_LBUTTON : 0, {point.x(), point.y()});
  e->accept();
}

void CFlatButton::leaveEvent(QEvent* e) {
  QPushButton::leaveEvent(e);
  OnMouseLeave();
}

void CFlatButton::focusOutEvent(QFocusEvent* e) {
  QPushButton::focusOutEvent(e);
  OnKillFocus();
}

void CFlatButton::changeEvent(QEvent* e) {
  QPushButton::changeEvent(e);
  switch (e->type()) {
    case QEvent::EnabledChange: {
      // Only the button's own enabling is its WM_ENABLE; a disabled parent greys it without.
      const bool ownEnabled = !testAttribute(Qt::WA_ForceDisabled);
      if (ownEnabled != windowEnabled_) {
        windowEnabled_ = ownEnabled;
        OnEnable(ownEnabled);
      } else if (!isEnabled()) {
        EndHover();
      }
      break;
    }
    case QEvent::ActivationChange:
      OnActivate(isActiveWindow() ? WA_ACTIVE : WA_INACTIVE);
      break;
    case QEvent::PaletteChange:
      OnSysColorChange();
      break;
    default:
      break;
  }
}
