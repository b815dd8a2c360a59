#include "sim/UnitLine.h"

#include <cstdio>

namespace zvk::sim {

UnitLine::UnitLine(UnitModel& model, LineNoise noise, std::ostream* wireLog)
    : model_(model), noise_(noise), log_(wireLog) {}

UnitLine::~UnitLine() {
    if (log_ != nullptr && lineOpen_) *log_ << '\n' << std::flush;
}

void UnitLine::FromHost(std::uint8_t byte, std::vector<std::uint8_t>& toHost) {
    if (log_ != nullptr && model_.AtExchangeStart() && lineOpen_) {
        *log_ << '\n';
        lineOpen_ = false;
    }
    LogByte('>', byte);
    answer_.clear();
    model_.Receive(byte, answer_);
    for (std::uint8_t out : answer_) {
        ++sent_;
        if (noise_.DropEvery != 0 && sent_ % noise_.DropEvery == 0) continue;
        if (noise_.GarbageEvery != 0 && sent_ % noise_.GarbageEvery == 0) {
            out = static_cast<std::uint8_t>(~out);
        }
        LogByte('<', out);
        toHost.push_back(out);
    }
    if (log_ != nullptr) log_->flush();
}

void UnitLine::LogByte(char direction, std::uint8_t byte) {
    if (log_ == nullptr) return;
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", byte);
    if (!lineOpen_ || direction != lastDirection_) {
        if (lineOpen_) *log_ << ' ';
        *log_ << direction << ' ' << hex;
    } else {
        *log_ << ' ' << hex;
    }
    lineOpen_ = true;
    lastDirection_ = direction;
}

}  // namespace zvk::sim
