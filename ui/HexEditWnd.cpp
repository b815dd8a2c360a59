// The Flash and EEPROM hex editors. Until they exist the frame shows placeholder windows.

#include "ui/ChildWnd.h"

namespace zvk::ui {

ChildWnd* CreateFlashEditWindow(const ChildInfo& info) { return new ChildWnd(info); }
ChildWnd* CreateEepromEditWindow(const ChildInfo& info) { return new ChildWnd(info); }

}  // namespace zvk::ui
