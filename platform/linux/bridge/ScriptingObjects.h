#pragma once
// The scripting object as page script sees it: a script class whose members are bound from the type
// information and answered by the program through blocking requests.

#include <jsc/jsc.h>

#include <cstdint>
#include <map>

#include "platform/linux/bridge/BridgeClient.h"
#include "services/TesraMessageImpl.h"

namespace tesra::bridge {

// Page objects that the program refers to later (hot-key facades), kept alive while the page lives.
class FacadeTable {
public:
    ~FacadeTable();
    FacadeRef Add(JSCValue* object);
    JSCValue* Find(FacadeRef ref) const;

private:
    std::map<std::uint64_t, JSCValue*> objects_;
    std::uint64_t next_ = 0;
};

class ScriptingObjects {
public:
    class Channel;

    ScriptingObjects(BridgeClient& client, FacadeTable& facades);
    // A new scripting object in the context, owned by the page's script from then on.
    JSCValue* Create(JSCContext* context);

private:
    JSCClass* ClassFor(JSCContext* context);
    static JSCValue* Invoke(gpointer instance, GPtrArray* args, gpointer member);
    static JSCValue* Get(gpointer instance, gpointer member);
    static void Release(gpointer instance);

    BridgeClient& client_;
    FacadeTable& facades_;
};

}  // namespace tesra::bridge
