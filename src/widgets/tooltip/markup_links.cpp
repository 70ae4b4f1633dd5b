// The links of CMarkupDrawer: the hot areas the drawing pass records, hover tracking and
// its notifications, and what a click on a link runs.

#include <QDesktopServices>
#include <QDir>
#include <QUrl>
#include <QWidget>

#include "platform/window_message.h"
#include "widgets/tooltip/markup_drawer.h"
#include "widgets/tooltip/markup_text.h"

using markup::Sat;

namespace {

const CMarkupDrawer::HotArea* HotAreaAt(const std::vector<CMarkupDrawer::HotArea>& areas,
                                        gdi::POINT point) {
  for (const CMarkupDrawer::HotArea& area : areas) {
    if (point.x >= area.left && point.x <= area.right && point.y >= area.top &&
        point.y <= area.bottom) {
      return &area;
    }
  }
  return nullptr;
}

}  // namespace

void CMarkupDrawer::SetCallbackHyperlink(QObject* window, gdi::UINT message, std::intptr_t param) {
  hoverTarget_.window = window;
  hoverTarget_.message = window ? message : 0;
  hoverTarget_.param = window ? param : 0;
}

void CMarkupDrawer::SetMessageLinkTarget(QObject* window, gdi::UINT message, std::intptr_t param) {
  messageTarget_.window = window;
  messageTarget_.message = window ? message : 0;
  messageTarget_.param = window ? param : 0;
}

void CMarkupDrawer::SetHyperlinkCursor(std::optional<QCursor> cursor) {
  linkCursor_ = cursor ? *cursor : QCursor(Qt::PointingHandCursor);
}

void CMarkupDrawer::AddHotArea(int left, int top, int width, int height) {
  if (pass_ != Pass::Drawing || style_.linkKind == LINK_NONE) return;
  hotAreas_.push_back({left, top, Sat(static_cast<long long>(left) + width - 1),
                       Sat(static_cast<long long>(top) + height - 1), style_.linkKind,
                       cursor_.linkCounter, style_.linkTarget});
}

bool CMarkupDrawer::OnSetCursor(gdi::POINT point, QWidget* window) {
  const HotArea* area = HotAreaAt(hotAreas_, point);
  const auto notify = [this](int link) {
    if (hoverTarget_.window && hoverTarget_.message != 0) {
      SendMessage(hoverTarget_.window, hoverTarget_.message, link, hoverTarget_.param);
    }
  };
  if (area) {
    // The receiver may draw again, which replaces the hot areas.
    const int link = area->link;
    const bool hasTarget = !area->linkTarget.empty();
    if (link != hoveredLink_) {
      hoveredLink_ = link;
      notify(link);
    }
    if (hasTarget && linkCursor_) {
      if (window) window->setCursor(*linkCursor_);
      return true;
    }
    return false;
  }
  if (hoveredLink_ != -2) {
    hoveredLink_ = -2;
    notify(-2);
  }
  return false;
}

void CMarkupDrawer::OnLButtonDown(gdi::POINT point) {
  const HotArea* area = HotAreaAt(hotAreas_, point);
  if (!area || area->linkTarget.empty()) return;
  const std::string target = area->linkTarget;
  if (area->linkKind == LINK_SHELL) {
    RunShellLink(target);
  } else if (area->linkKind == LINK_MESSAGE && messageTarget_.window &&
             messageTarget_.message != 0) {
    SendMessage(messageTarget_.window, messageTarget_.message,
                reinterpret_cast<std::intptr_t>(target.c_str()), messageTarget_.param);
  }
}

QUrl CMarkupDrawer::LinkUrl(std::string_view target) {
  // As the shell's "open" reads it: a name without a scheme is a file, relative to the
  // working folder, never a guess at a web address.
  return QUrl::fromUserInput(
      QString::fromUtf8(target.data(), static_cast<qsizetype>(target.size())), QDir::currentPath(),
      QUrl::AssumeLocalFile);
}

void CMarkupDrawer::RunShellLink(const std::string& target) {
  SetHyperlinkCursor(std::nullopt);
  // The desktop's handler for the target's kind (a browser for web addresses) opens it; a
  // target it cannot open does nothing.
  QDesktopServices::openUrl(LinkUrl(target));
}
