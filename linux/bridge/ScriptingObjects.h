#pragma once
// The scripting object as page script sees it: a script class whose members are bound from the type
// information and answered by the program through blocking requests.

#include <jsc/jsc.h>

#include <cstdint>

#include "linux/bridge/BridgeClient.h"
#include "linux/bridge/FacadeTable.h"
#include "services/TesraMessageImpl.h"

namespace tesra::bridge {

class ScriptingObjects {
public:
    class Channel;

    ScriptingObjects(BridgeClient& client, FacadeTable& facades);
    // A new scripting object in the context, owned by the page's script from then on; the facades it
    // is handed are kept for the document of that number in the facade table.
    JSCValue* Create(JSCContext* context, std::uint64_t document);

private:
    JSCClass* ClassFor(JSCContext* context);
    static JSCValue* Invoke(gpointer instance, GPtrArray* args, gpointer member);
    static JSCValue* Get(gpointer instance, gpointer member);
    static void Release(gpointer instance);

    BridgeClient& client_;
    FacadeTable& facades_;
};

}  // namespace tesra::bridge
