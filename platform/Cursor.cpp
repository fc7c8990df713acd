#include "platform/Cursor.h"

namespace tesra::platform {
namespace {
AppCursor* g_cursor = nullptr;
}

AppCursor& TheAppCursor() { return g_cursor ? *g_cursor : SystemAppCursor(); }
void SetAppCursor(AppCursor* cursor) { g_cursor = cursor; }

}  // namespace tesra::platform
