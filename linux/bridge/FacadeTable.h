#pragma once
// Page objects that the program refers to later (hot-key facades), each kept with the document whose
// facade received the scripting object that handed it over, and no longer than that document is shown
// in its frame: a document's objects go when its window is hidden for good (navigated away, its frame
// removed), when its page goes, and when it is found no longer shown. Their ids carry this web
// process's id, so an id from another web process never finds anything here.

#include <jsc/jsc.h>

#include <cstdint>
#include <map>

#include "linux/GObjectPtr.h"
#include "services/TesraMessageImpl.h"

namespace tesra::bridge {

class FacadeTable {
public:
    FacadeTable() = default;
    FacadeTable(const FacadeTable&) = delete;
    FacadeTable& operator=(const FacadeTable&) = delete;

    // The number under which objects of the document are added. document is seen from the bridge's
    // own script world, where page script cannot change what its properties say; 0 for none.
    std::uint64_t AddDocument(JSCValue* document, std::uint64_t page);
    // The object kept for its document; an id that finds nothing when the document is gone.
    FacadeRef Add(JSCValue* object, std::uint64_t document);
    // The object, or null when its document or page let it go or the id is not of this process.
    JSCValue* Find(FacadeRef ref);
    void ReleaseDocument(std::uint64_t document);
    void ReleasePage(std::uint64_t page);
    // Lets go of the documents that are no longer shown in a frame.
    void Sweep();

private:
    struct Document {
        platform::GObjectPtr<JSCValue> value;
        std::uint64_t page;
    };
    struct Entry {
        platform::GObjectPtr<JSCValue> object;
        std::uint64_t document;
    };
    void WatchHiding(JSCValue* document, std::uint64_t id);

    std::map<std::uint64_t, Document> documents_;
    std::map<std::uint64_t, Entry> objects_;
    std::uint64_t next_document_ = 0;
    std::uint32_t next_ = 0;
};

}  // namespace tesra::bridge
