#pragma once
// The scripting object as page script sees it: a script class whose members are bound from the type
// information and answered by the program through blocking requests.

#include <jsc/jsc.h>

#include <cstdint>
#include <map>

#include "platform/linux/GObjectPtr.h"
#include "platform/linux/bridge/BridgeClient.h"
#include "services/TesraMessageImpl.h"

namespace tesra::bridge {

// Page objects that the program refers to later (hot-key facades), kept alive while the document of
// the page that handed them over lives. Their ids carry this web process's id, so an id from another
// web process never finds anything here.
class FacadeTable {
public:
    FacadeRef Add(JSCValue* object, std::uint64_t page);
    // The object, or null when its page let it go or the id is not of this process.
    JSCValue* Find(FacadeRef ref) const;
    // The page's document is gone: its objects are let go.
    void ReleasePage(std::uint64_t page);

private:
    struct Entry {
        platform::GObjectPtr<JSCValue> object;
        std::uint64_t page;
    };
    std::map<std::uint64_t, Entry> objects_;
    std::uint32_t next_ = 0;
};

class ScriptingObjects {
public:
    class Channel;

    ScriptingObjects(BridgeClient& client, FacadeTable& facades);
    // A new scripting object in the context of the page, owned by the page's script from then on.
    JSCValue* Create(JSCContext* context, std::uint64_t page);

private:
    JSCClass* ClassFor(JSCContext* context);
    static JSCValue* Invoke(gpointer instance, GPtrArray* args, gpointer member);
    static JSCValue* Get(gpointer instance, gpointer member);
    static void Release(gpointer instance);

    BridgeClient& client_;
    FacadeTable& facades_;
};

}  // namespace tesra::bridge
