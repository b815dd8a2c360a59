// The disassembly view. Until it exists the frame shows a placeholder window.

#include "ui/ChildWnd.h"

namespace zvk::ui {

ChildWnd* CreateDisassemblyWindow(const ChildInfo& info) { return new ChildWnd(info); }

}  // namespace zvk::ui
