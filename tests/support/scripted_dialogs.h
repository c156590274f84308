#pragma once
// A Dialogs double for handler tests: answers come from a script, and every
// message box and file request shown is recorded.

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "toolkit/dialogs.h"

namespace testing_support {

struct ShownMessage {
  QString text;
  toolkit::MessageKind kind;
  QString title;
  friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};

class ScriptedDialogs final : public toolkit::Dialogs {
 public:
  // Answers to message boxes in order; an OK box needs none.
  std::deque<toolkit::Answer> answers;
  // Paths (or nothing, for cancel) the file dialogs return, in order.
  std::deque<std::optional<QString>> files;
  std::deque<std::optional<icon::Colour>> colours;

  std::vector<ShownMessage> messages;
  std::vector<toolkit::FileRequest> fileRequests;
  // Called when a message box is shown, before it answers; lets a test look
  // at the windows as the user would see them then.
  std::function<void(const ShownMessage&)> onMessage;

  toolkit::Answer messageBox(const QString& text, toolkit::MessageKind kind, const QString& title) override {
    messages.push_back({text, kind, title});
    if (onMessage) onMessage(messages.back());
    if (kind != toolkit::MessageKind::informationYesNo) return toolkit::Answer::ok;
    if (answers.empty()) return toolkit::Answer::no;
    const toolkit::Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::optional<QString> chooseFile(const toolkit::FileRequest& request) override {
    fileRequests.push_back(request);
    if (files.empty()) return std::nullopt;
    const bool cancelled = !files.front();
    const QString path = files.front().value_or(QString());
    files.pop_front();
    if (cancelled) return std::nullopt;
    return path;
  }

  std::optional<icon::Colour> chooseColour(icon::Colour) override {
    if (colours.empty()) return std::nullopt;
    auto colour = colours.front();
    colours.pop_front();
    return colour;
  }

  std::vector<QString> messageTexts() const {
    std::vector<QString> texts;
    for (const auto& message : messages) texts.push_back(message.text);
    return texts;
  }
};

}  // namespace testing_support
