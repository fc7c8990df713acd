#include "support/tsXMLObject.h"

#include <sstream>
#include <stdexcept>

#include "platform/Exception.h"
#include "support/Format.h"

namespace tesra {

std::string TtsNodeNameRegistry::Find(std::type_index elementClass) const {
    for (const Entry& entry : entries_) {
        if (entry.elementClass == elementClass) return entry.name;
    }
    return {};
}

std::string TtsXMLElementObject::SaveToString() {
    std::ostringstream stream;
    SaveToStream(stream);
    return stream.str();
}

void TtsXMLElementObject::SaveToStream(std::ostream& stream) {
    TtsXMLWriter writer(stream);
    WriteTo(writer);
}

void TtsXMLElementObject::WriteTo(TtsXMLWriter& writer) {
    if (elementName_.empty()) {
        if (!registry_) throw std::logic_error("XML element without a name and without a node-name registry");
        std::string name = registry_->Find(std::type_index(typeid(*this)));
        if (name.empty()) throw Exception(Format("没有定义类“%s”对应的节点", {ClassName()}));
        elementName_ = name;
    }
    writer.StartElement(elementName_);
    WriteAttributes(writer);
    for (int i = 0; i < children_.Count(); ++i) children_.Item(i).WriteTo(writer);
    writer.EndElement();
}

void TtsXMLElementObject::WriteAttributes(TtsXMLWriter& writer) {
    for (const PublishedProperty& property : PublishedProperties()) {
        if (property.access == PropertyAccess::ReadOnly) continue;
        std::string value;
        try {
            value = property.read();
        } catch (const std::exception& e) {
            throw Exception(Format("获取“%s.%s”失败：%s", {ClassName(), property.name, e.what()}));
        }
        writer.AddAttribute(property.name, value);
    }
}

std::string TtsXMLElementObject::GetPropertyText(const std::string& name) const {
    for (const PublishedProperty& property : PublishedProperties()) {
        if (property.name == name) return property.read();
    }
    throw Exception(Format("Property %s does not exist", {name}), "EPropertyError");
}

void TtsXMLElementObject::AddChild(std::unique_ptr<TtsXMLElementObject> child) { children_.Add(std::move(child)); }

}  // namespace tesra
