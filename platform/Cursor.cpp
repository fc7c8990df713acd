#include "platform/Cursor.h"

#include "platform/Environment.h"

namespace tesra::platform {
namespace {
AppCursor* g_cursor = nullptr;
}

AppCursor& TheAppCursor() { return g_cursor ? *g_cursor : Env().Cursor(); }
void SetAppCursor(AppCursor* cursor) { g_cursor = cursor; }

}  // namespace tesra::platform
