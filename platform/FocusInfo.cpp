#include "platform/FocusInfo.h"

#include "platform/Environment.h"

namespace tesra::platform {
namespace {
FocusInfo* g_info = nullptr;
}

FocusInfo& TheFocusInfo() { return g_info ? *g_info : Env().Focus(); }
void SetFocusInfo(FocusInfo* info) { g_info = info; }

}  // namespace tesra::platform
