#include "app/Busy.h"

#include <utility>

namespace zvk {
namespace {
BusyIndicator& Indicator() {
    static BusyIndicator indicator;
    return indicator;
}
}  // namespace

BusyIndicator SetBusyIndicator(BusyIndicator indicator) {
    return std::exchange(Indicator(), std::move(indicator));
}

BusyScope::BusyScope() : indicator_(Indicator()) {
    if (indicator_) indicator_(true);
}

BusyScope::~BusyScope() {
    if (indicator_) indicator_(false);
}

}  // namespace zvk
