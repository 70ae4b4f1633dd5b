#pragma once
// Every message box of the program goes through here, so that tests can see and answer them.

#include <functional>
#include <string>

class QWidget;

namespace platform {

enum class MessageIcon { None, Stop, Information };

struct MessageBoxRequest {
  QWidget* owner;
  std::string text;  // plain text, never read as markup
  std::string title;
  MessageIcon icon;
};

// Shows a modal box with an OK button and waits until the user closes it.
void ShowMessageBox(QWidget* owner, const std::string& text, const std::string& title,
                    MessageIcon icon = MessageIcon::None);

// The same, titled with the program's name.
void ShowAppMessageBox(QWidget* owner, const std::string& text,
                       MessageIcon icon = MessageIcon::None);

// Tests install a handler that receives each request instead of a window; an empty function
// restores the real boxes.
void SetMessageBoxHandler(std::function<void(const MessageBoxRequest&)> handler);

}  // namespace platform
