#pragma once
// Changing chips while the virtual unit runs: a FIFO that takes one command a
// line,
//   remove        the socket is emptied
//   insert        a fresh erased chip of the part last in the socket
//   insert PART   a fresh erased chip of PART
//   dump FILE     the chip's contents into FILE, as --dump writes them at exit
// so that a production run can be tried end to end without hardware. Any
// number of writers may come one after another: the unit keeps a write end
// of its own open, so that the FIFO never reads as ended between them.

#include <string>
#include <string_view>

#include "sim/UnitModel.h"

namespace zvk::sim {

struct SocketCommandResult {
    bool understood = false;
    std::string text;  // what was done, or why nothing was ("unknown part AT89X")
};

// Carries out one command line (blanks around it and a CR are ignored).
SocketCommandResult ApplySocketCommand(std::string_view line, UnitModel& model);

class SocketControl {
  public:
    SocketControl() = default;
    ~SocketControl();
    SocketControl(const SocketControl&) = delete;
    SocketControl& operator=(const SocketControl&) = delete;

    // Creates the FIFO (one left behind by a unit that was killed is
    // replaced; anything else at the path is refused) and opens it. False
    // after saying why on stderr.
    bool Open(const std::string& path);
    // The end to wait on for input; -1 when not open.
    [[nodiscard]] int ReadEnd() const { return read_; }
    // Reads what has come and carries out each whole line on the model,
    // saying on stdout what was done and on stderr what was not understood.
    void Serve(UnitModel& model);

  private:
    static constexpr std::size_t kLongestLine = 256;

    std::string path_;
    int read_ = -1;
    int write_ = -1;
    std::string pending_;    // the start of a line not yet ended
    bool skipping_ = false;  // inside an over-long line, dropped up to its end
};

}  // namespace zvk::sim
