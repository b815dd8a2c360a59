// zvk-unit-sim: the virtual programmer unit on a pseudo-terminal.

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "app/SafeFile.h"
#include "sim/Dump.h"
#include "sim/Options.h"
#include "sim/PtyUnit.h"
#include "sim/UnitLine.h"
#include "sim/UnitModel.h"

namespace {

bool LoadImage(const std::string& path, zvk::sim::UnitModel& model) {
    // A FIFO or a folder given by mistake is refused at once instead of hanging the unit.
    const std::optional<std::string> image = zvk::ReadRegularFile(path);
    if (!image) {
        std::fprintf(stderr, "zvk-unit-sim: cannot read %s\n", path.c_str());
        return false;
    }
    auto& flash = model.Chip().Flash;
    if (image->size() > flash.size()) {
        std::fprintf(stderr, "zvk-unit-sim: %s is larger than the %zu bytes of Flash\n",
                     path.c_str(), flash.size());
        return false;
    }
    std::copy(image->begin(), image->end(), flash.begin());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zvk::sim;
    int status = 0;
    const auto options = ParseOptions(argc, argv, status);
    if (!options) return status;

    UnitModel model(options->Unit);
    if (!options->ImagePath.empty() && !LoadImage(options->ImagePath, model)) return 2;

    std::unique_ptr<std::ofstream> wireLog;
    if (!options->WireLogPath.empty()) {
        wireLog = std::make_unique<std::ofstream>(options->WireLogPath, std::ios::trunc);
        if (!*wireLog) {
            std::fprintf(stderr, "zvk-unit-sim: cannot write %s\n", options->WireLogPath.c_str());
            return 2;
        }
    }
    int result = 0;
    {
        UnitLine line(model, options->Noise, wireLog.get());
        result = RunPtyUnit(line, options->Pty);
    }
    if (!options->DumpPath.empty()) {
        std::ofstream dump(options->DumpPath, std::ios::trunc);
        WriteDump(dump, model);
        if (!dump) {
            std::fprintf(stderr, "zvk-unit-sim: cannot write %s\n", options->DumpPath.c_str());
            return 1;
        }
    }
    return result;
}
