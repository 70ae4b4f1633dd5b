#include "widgets/tooltip/rich_tip_timing.h"

#include <utility>

using namespace tip;

namespace {

bool InRect(const gdi::RECT& r, gdi::POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool IsEmptyRect(const gdi::RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace

RichTipTiming::RichTipTiming(RichTipHost& host) : host_(host) { defaults_.placement = 16; }

void RichTipTiming::AddTool(QWidget* window, std::string text, std::optional<gdi::RECT> area,
                            int toolId) {
  ToolEntry entry;
  entry.toolId = toolId;
  entry.area = area.value_or(gdi::RECT{});
  entry.text = std::move(text);
  std::vector<ToolEntry>& list = tools_[window];
  for (ToolEntry& existing : list) {
    if (existing.area == entry.area) {
      existing = std::move(entry);
      return;
    }
  }
  list.push_back(std::move(entry));
}

void RichTipTiming::RemoveAllTools() { tools_.clear(); }

const std::vector<ToolEntry>* RichTipTiming::ToolsOf(QWidget* window) const {
  const auto it = tools_.find(window);
  return it == tools_.end() ? nullptr : &it->second;
}

bool RichTipTiming::FindToolInWindow(QWidget* window, gdi::POINT screen, ToolEntry* entry) {
  const std::vector<ToolEntry>* list = ToolsOf(window);
  if (!list || list->empty()) return false;
  if (list->size() == 1 && IsEmptyRect(list->front().area)) {
    *entry = list->front();
    return true;
  }
  const gdi::POINT client = host_.ToolClientPoint(window, screen);
  for (const ToolEntry& candidate : *list) {
    if (InRect(candidate.area, client)) {
      *entry = candidate;
      return true;
    }
  }
  return false;
}

QWidget* RichTipTiming::FindToolAt(gdi::POINT screen, ToolEntry* entry, bool enabledOnly) {
  bool enabled = true;
  QWidget* candidate = host_.ToolWindowAt(screen, &enabled);
  if (!candidate || (enabledOnly && !enabled)) return nullptr;
  return FindToolInWindow(candidate, screen, entry) ? candidate : nullptr;
}

void RichTipTiming::SetDelay(int kind, int milliseconds) {
  switch (kind) {
    case DELAY_HIDE:
      hideAfter_ = milliseconds;
      break;
    case DELAY_INITIAL:
      initialDelay_ = milliseconds;
      break;
    case DELAY_FADE_IN:
      fadeInStep_ = milliseconds;
      break;
    case DELAY_FADE_OUT:
      fadeOutStep_ = milliseconds;
      break;
    case DELAY_ANIMATION:
      animationPeriod_ = milliseconds;
      StopAnimationTimer();
      if (state_ == STATE_SHOWN) StartAnimationTimer();
      break;
    default:
      break;
  }
}

int RichTipTiming::GetDelay(int kind) const {
  switch (kind) {
    case DELAY_HIDE:
      return hideAfter_;
    case DELAY_INITIAL:
      return initialDelay_;
    case DELAY_FADE_IN:
      return fadeInStep_;
    case DELAY_FADE_OUT:
      return fadeOutStep_;
    case DELAY_ANIMATION:
      return animationPeriod_;
    default:
      return 0;
  }
}

void RichTipTiming::RelayMessage(const TipMessage& msg) {
  switch (msg.message) {
    case WM_MOUSEMOVE: {
      if (msg.pt == cursor_) return;
      cursor_ = msg.pt;
      if (host_.IsTipVisible() && host_.IsTipAt(msg.pt) &&
          !(current_.behaviourFlags & BEHAVIOUR_FOLLOW_CURSOR)) {
        if (current_.behaviourFlags & BEHAVIOUR_OVER_TIP_KEEPS) {
          RestartHideTimer(current_);
        } else {
          BeginHiding();
        }
        return;
      }
      ToolEntry found;
      QWidget* window = FindToolAt(msg.pt, &found, true);
      if (!window) {
        ForgetCurrentTool();
        host_.KillTimer(TIMER_SHOW);
        BeginHiding();
        return;
      }
      if (window != currentWindow_.data() || !(found.area == current_.area)) {
        ShowTool(window, found, true);
      } else if (current_.behaviourFlags & BEHAVIOUR_FOLLOW_CURSOR) {
        RestartHideTimer(current_);
        host_.MoveTipTo(msg.pt);
      } else if (current_.behaviourFlags & BEHAVIOUR_MOVE_KEEPS) {
        RestartHideTimer(current_);
      } else if (current_.behaviourFlags & BEHAVIOUR_FORGET_ON_HIDE) {
        ShowTool(window, found, true);
      } else {
        BeginHiding();
      }
      return;
    }
    case WM_LBUTTONDOWN:
      if (host_.IsTipVisible() && host_.IsTipAt(msg.pt)) host_.ClickTip(msg.pt);
      HideAtOnce();
      return;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONDBLCLK:
      HideAtOnce();
      return;
    default:
      if (msg.message > WM_MOUSEMOVE && msg.message <= WM_MOUSEWHEEL) HideAtOnce();
      return;
  }
}

void RichTipTiming::ShowTool(QWidget* window, const ToolEntry& entry, bool useDelay) {
  pending_ = false;
  if (state_ == STATE_FADING_IN || state_ == STATE_SHOWN) BeginHiding();
  nextWindow_ = window;
  next_ = entry;
  if (state_ == STATE_HIDDEN) {
    if (useDelay && initialDelay_ > 0) {
      host_.SetTimer(TIMER_SHOW, initialDelay_);
    } else {
      ShowStep();
    }
  } else {
    pending_ = true;
    pendingWithDelay_ = useDelay && initialDelay_ > 0;
  }
}

void RichTipTiming::SetNextTool(QWidget* window, const ToolEntry& entry) {
  nextWindow_ = window;
  next_ = entry;
  ApplyDefaults(next_);
}

void RichTipTiming::BeginHiding() {
  if (state_ == STATE_FADING_IN) {
    host_.KillTimer(TIMER_FADE_IN);
    HideStep();
  } else if (state_ == STATE_SHOWN) {
    HideStep();
  }
}

void RichTipTiming::HideAtOnce() {
  state_ = STATE_HIDDEN;
  for (int id = TIMER_SHOW; id <= TIMER_FADE_OUT; ++id) host_.KillTimer(id);
  StopAnimationTimer();
  if (host_.IsTipVisible()) {
    if (current_.behaviourFlags & BEHAVIOUR_FORGET_ON_HIDE) ForgetCurrentTool();
    host_.HideTip();
  }
}

void RichTipTiming::OnTimer(int id) {
  switch (id) {
    case TIMER_SHOW:
      ShowStep();
      break;
    case TIMER_HIDE:
      HideStep();
      break;
    case TIMER_FADE_IN:
      FadeInStep();
      break;
    case TIMER_FADE_OUT:
      FadeOutStep();
      break;
    case TIMER_ANIMATION:
      AnimationStep();
      break;
    default:
      break;
  }
}

int RichTipTiming::OnPaint() {
  current_ = next_;
  currentWindow_ = nextWindow_;
  return transparency_;
}

void RichTipTiming::OnActivateApp(bool active) {
  if (!active) HideAtOnce();
}

void RichTipTiming::ShowStep() {
  host_.KillTimer(TIMER_SHOW);
  if (!(host_.GetCursorPos() == cursor_)) {
    BeginHiding();
    return;
  }
  if (state_ != STATE_HIDDEN) return;
  state_ = STATE_FADING_IN;
  ApplyDefaults(next_);
  if (!next_.text.empty()) {
    transparency_ = fadeInEnabled_ && fadeInStep_ > 0 ? 100 : next_.transparency;
  }
  host_.LayOutAndShow(cursor_);
  if (fadeInEnabled_ && fadeInStep_ > 0) {
    host_.SetTimer(TIMER_FADE_IN, fadeInStep_);
  } else {
    state_ = STATE_SHOWN;
    RestartHideTimer(next_);
    StartAnimationTimer();
  }
}

void RichTipTiming::HideStep() {
  host_.KillTimer(TIMER_SHOW);
  host_.KillTimer(TIMER_FADE_IN);
  host_.KillTimer(TIMER_HIDE);
  if (state_ == STATE_FADING_OUT) return;
  state_ = STATE_FADING_OUT;
  StopAnimationTimer();
  if (fadeOutEnabled_ && fadeOutStep_ > 0) {
    host_.SetTimer(TIMER_FADE_OUT, fadeOutStep_);
  } else {
    transparency_ = 100;
    FadeOutStep();
  }
}

void RichTipTiming::FadeInStep() {
  transparency_ = transparency_ <= 20 ? 0 : transparency_ - 20;
  if (transparency_ <= next_.transparency) {
    transparency_ = next_.transparency;
    host_.KillTimer(TIMER_FADE_IN);
    state_ = STATE_SHOWN;
    RestartHideTimer(next_);
    StartAnimationTimer();
  }
  host_.PaintTip(transparency_);
}

void RichTipTiming::FadeOutStep() {
  transparency_ = transparency_ >= 80 ? 100 : transparency_ + 20;
  if (transparency_ < 100) {
    host_.PaintTip(transparency_);
    return;
  }
  host_.KillTimer(TIMER_FADE_OUT);
  if (current_.behaviourFlags & BEHAVIOUR_FORGET_ON_HIDE) ForgetCurrentTool();
  host_.HideTip();
  state_ = STATE_HIDDEN;
  if (pending_) {
    pending_ = false;
    if (pendingWithDelay_) {
      host_.SetTimer(TIMER_SHOW, initialDelay_);
    } else {
      ShowStep();
    }
  }
}

void RichTipTiming::AnimationStep() {
  if (host_.IsTipVisible() && state_ == STATE_SHOWN && host_.StepAnimations()) {
    host_.PaintTip(transparency_);
  }
}

void RichTipTiming::StartAnimationTimer() {
  if (animationPeriod_ > 0 && host_.IsTipVisible() && host_.HasAnimations()) {
    host_.SetTimer(TIMER_ANIMATION, animationPeriod_);
  }
}

void RichTipTiming::StopAnimationTimer() { host_.KillTimer(TIMER_ANIMATION); }

void RichTipTiming::RestartHideTimer(const ToolEntry& tool) {
  if (hideAfter_ > 0 && !(tool.behaviourFlags & BEHAVIOUR_NO_TIMEOUT)) {
    host_.SetTimer(TIMER_HIDE, hideAfter_);
  }
}

void RichTipTiming::ForgetCurrentTool() {
  current_ = ToolEntry{};
  currentWindow_ = nullptr;
}

void RichTipTiming::ApplyDefaults(ToolEntry& entry) const {
  const gdi::DWORD mask = entry.overrideMask;
  if (!(mask & OVERRIDE_STYLE)) entry.styleFlags = defaults_.styleFlags;
  if (!(mask & OVERRIDE_EFFECT)) {
    entry.fillEffect = defaults_.fillEffect;
    entry.granularity = defaults_.granularity;
  }
  if (!(mask & OVERRIDE_COLOURS)) {
    entry.colourBegin = defaults_.colourBegin;
    entry.colourMiddle = defaults_.colourMiddle;
    entry.colourEnd = defaults_.colourEnd;
  }
  if (!(mask & OVERRIDE_PLACEMENT)) entry.placement = defaults_.placement;
  if (!(mask & OVERRIDE_BEHAVIOUR)) entry.behaviourFlags = defaults_.behaviourFlags;
  if (!(mask & OVERRIDE_TRANSPARENCY)) entry.transparency = defaults_.transparency;
  // Past 100 the fade would never meet it and the shadow's grey would overflow.
  if (entry.transparency > 100) entry.transparency = 100;
}
