#pragma once
// The real modal UI: Qt message boxes, the file-open dialog, the override cursor.
#include <QString>

#include "platform/ui.h"

class QWidget;

namespace platform {

class QtModalUi final : public ModalUi {
 public:
  void ShowMessage(const AnsiString& text) override;
  void MessageBox(const AnsiString& text, const AnsiString& caption, MessageIcon icon) override;
  bool OpenFile(AnsiString& fileName, const AnsiString& filter,
                const AnsiString& defaultExt) override;
  int ShowModal(std::string_view formName, const std::function<int()>& exec) override;
  bool ChooseFolder(std::filesystem::path& folder, const AnsiString& caption) override;
  void SetCursor(CursorShape shape) override;

 private:
  bool hourglass_ = false;
};

// Standard dialogs and buttons in Slovak: the toolkit's own translation and the Slovak locale.
// A missing translation leaves them as they are.
void UseSlovakTranslation();

// "Waypoints oziexplorer[*.wpt]|*.wpt" as a Qt name filter.
QString QtNameFilters(const AnsiString& filter);
// The window messages belong to: the active window, else the main one.
QWidget* DialogParent();

}  // namespace platform
