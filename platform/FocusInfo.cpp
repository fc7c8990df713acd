#include "platform/FocusInfo.h"

namespace tesra::platform {
namespace {
FocusInfo* g_info = nullptr;
}

FocusInfo& TheFocusInfo() { return g_info ? *g_info : SystemFocusInfo(); }
void SetFocusInfo(FocusInfo* info) { g_info = info; }

}  // namespace tesra::platform
