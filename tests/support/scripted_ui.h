#pragma once
// A modal UI service for tests: records every message and answers every question, so no test
// waits on a real modal window.
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"

class ScriptedUi : public platform::ModalUi {
 public:
  ScriptedUi() { platform::SetUi(this); }
  ~ScriptedUi() override { platform::SetUi(nullptr); }

  struct Shown {
    AnsiString text, caption;
    platform::MessageIcon icon = platform::MessageIcon::None;
  };
  std::vector<Shown> shown;                          // every message, in order
  std::function<void(const AnsiString&)> onMessage;  // runs while the "box" is open

  // File-open answers in order: a file name, or nullopt for Cancel. None left: Cancel.
  std::deque<std::optional<AnsiString>> openAnswers;
  std::vector<AnsiString> openPresets;  // the file name each dialog was opened with

  // Modal form answers in order (6 Yes, 7 No, 2 Cancel); each may first edit the form.
  std::deque<std::function<int()>> modalAnswers;
  std::vector<std::string> modalForms;

  // Folder picker answers in order, as the file-open ones.
  std::deque<std::optional<std::filesystem::path>> folderAnswers;
  std::vector<std::filesystem::path> folderPresets;

  std::vector<platform::CursorShape> cursors;
  std::function<void(platform::CursorShape)> onCursor;  // runs as the cursor changes

  std::vector<AnsiString> Messages() const {
    std::vector<AnsiString> out;
    for (const Shown& s : shown) out.push_back(s.text);
    return out;
  }

  void ShowMessage(const AnsiString& text) override {
    Record({text, {}, platform::MessageIcon::None});
  }
  void MessageBox(const AnsiString& text, const AnsiString& caption,
                  platform::MessageIcon icon) override {
    Record({text, caption, icon});
  }
  bool OpenFile(AnsiString& fileName, const AnsiString&, const AnsiString&) override {
    return Answer(openAnswers, openPresets, fileName);
  }
  bool ChooseFolder(std::filesystem::path& folder, const AnsiString&) override {
    return Answer(folderAnswers, folderPresets, folder);
  }
  int ShowModal(std::string_view formName, const std::function<int()>&) override {
    modalForms.emplace_back(formName);
    if (modalAnswers.empty()) return platform::mrCancel;
    auto answer = modalAnswers.front();
    modalAnswers.pop_front();
    return answer();
  }
  void SetCursor(platform::CursorShape shape) override {
    cursors.push_back(shape);
    if (onCursor) onCursor(shape);
  }

 private:
  template <typename Value>
  static bool Answer(std::deque<std::optional<Value>>& answers, std::vector<Value>& presets,
                     Value& value) {
    presets.push_back(value);
    if (answers.empty()) return false;
    std::optional<Value> answer = answers.front();
    answers.pop_front();
    if (!answer) return false;
    value = *answer;
    return true;
  }
  void Record(Shown s) {
    shown.push_back(s);
    if (onMessage) onMessage(s.text);
  }
};
