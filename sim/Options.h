#pragma once
// zvk-unit-sim's command line.

#include <optional>
#include <string>

#include "sim/PtyUnit.h"
#include "sim/UnitLine.h"
#include "sim/UnitModel.h"

namespace zvk::sim {

struct SimOptions {
    UnitConfig Unit;
    LineNoise Noise;
    PtyOptions Pty;
    std::string ImagePath;
    std::string DumpPath;
    std::string WireLogPath;
};

// The options, or nullopt when the program should end with `exitStatus`
// (after --help, 0, or after a usage error it has printed, 2).
std::optional<SimOptions> ParseOptions(int argc, char** argv, int& exitStatus);

}  // namespace zvk::sim
