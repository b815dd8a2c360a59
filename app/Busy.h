#pragma once
// While the core waits on the programmer unit to say whether it is there and
// which part is in its socket, the user sees that the program is busy: the
// core marks such a wait with a BusyScope, and the desktop program installs
// the indicator that shows it (the application-starting cursor). Without one
// (zvk-cli, tests of the core) a wait shows nothing.

#include <functional>

namespace zvk {

// Called with true as a wait begins and with false as it ends. Waits nest:
// every true is followed by its own false.
using BusyIndicator = std::function<void(bool busy)>;

// Installs an indicator; returns the one it replaces. An empty one shows nothing.
BusyIndicator SetBusyIndicator(BusyIndicator indicator);

// Shows the indicator while it lives.
class BusyScope {
  public:
    BusyScope();
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    BusyIndicator indicator_;  // the one that was told the wait began
};

}  // namespace zvk
