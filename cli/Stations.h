#pragma once
// Several production stations at once: one child process per port, each a
// whole `auto --repeat` run on its own unit, sharing the log and the serial
// number file (both are taken under file locks). The parent shows what each
// station does and ends when all have ended:
//
// - each station's lines on stdout and stderr, with "PORT: " before them;
// - on a terminal, one status line per station on stderr, redrawn in place:
//   its tally and "waiting for a chip", "#1005 Programming... 43%", "passed",
//   "failed";
// - at the end a summary per station and in total; the exit status is 1 when
//   any station had a failed chip or ended with an error, else 0.
//
// The children run in a process group of their own, so that Ctrl+C on the
// terminal reaches the parent alone, which passes it on to every station
// (each lets its chip end; a second Ctrl+C gives the chips up). SIGTERM and
// SIGHUP are passed on as SIGTERM. A line on standard input forces the next
// chip: an empty line at every station, a port's name or a station's number
// (from 1) at that one.

#include <functional>
#include <string>
#include <vector>

namespace zvk::cli {

// What a station tells its parent: its state and tally.
struct StationReport {
    std::string status;
    unsigned passed = 0;
    unsigned failed = 0;
};

// Sends the report through the station's status pipe, one line.
void ReportStation(int fd, const StationReport& report);

// Runs station(port, statusFd) for every port in a child process and returns
// the exit status of the whole run.
using StationRun = std::function<int(const std::string& port, int statusFd)>;
int RunStations(const std::vector<std::string>& ports, const StationRun& station);

}  // namespace zvk::cli
