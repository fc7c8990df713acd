#pragma once
// Objects that write themselves as one XML element: every published, writable property becomes an
// attribute and every child object a nested element.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <typeindex>
#include <vector>

#include "support/JALXMLGenerator.h"

namespace tesra {

// A growable array that owns its objects: destroying the list destroys them.
template <typename T>
class TtsObjectList {
public:
    void Add(std::unique_ptr<T> object) { items_.push_back(std::move(object)); }
    int Count() const { return static_cast<int>(items_.size()); }
    T& Item(int index) const { return *items_.at(static_cast<size_t>(index)); }

private:
    std::vector<std::unique_ptr<T>> items_;
};

enum class PropertyAccess { ReadOnly, ReadWrite };

// One published property: its name, how to read it as text, and whether it can be written.
struct PublishedProperty {
    std::string name;
    std::function<std::string()> read;
    PropertyAccess access = PropertyAccess::ReadWrite;
};

class TtsXMLElementObject;

// Maps element classes to element names; the first entry for exactly the object's class wins.
class TtsNodeNameRegistry {
public:
    template <typename T>
    void Add(const std::string& elementName) {
        entries_.push_back({std::type_index(typeid(T)), elementName});
    }
    // The name for the class; empty when none is registered.
    std::string Find(std::type_index elementClass) const;

private:
    struct Entry {
        std::type_index elementClass;
        std::string name;
    };
    std::vector<Entry> entries_;
};

class TtsXMLElementObject {
public:
    virtual ~TtsXMLElementObject() = default;

    // The class name that error texts show.
    virtual std::string ClassName() const { return "TtsXMLElementObject"; }

    // The element as GBK bytes. Throws tesra::Exception "没有定义类“%s”对应的节点" or
    // "获取“%s.%s”失败：%s"; nothing is returned then.
    std::string SaveToString();
    void SaveToStream(std::ostream& stream);
    virtual void WriteTo(TtsXMLWriter& writer);
    virtual void WriteAttributes(TtsXMLWriter& writer);
    // The published property's value as text; throws tesra::Exception for an unknown name.
    std::string GetPropertyText(const std::string& name) const;

    // The children own what is added.
    virtual void AddChild(std::unique_ptr<TtsXMLElementObject> child);
    int Count() const { return children_.Count(); }
    TtsXMLElementObject& Item(int index) const { return children_.Item(index); }

    const std::string& ElementName() const { return elementName_; }
    void SetElementName(const std::string& name) { elementName_ = name; }
    // Consulted only while ElementName is empty. Not owned.
    void SetNodeNameRegistry(const TtsNodeNameRegistry* registry) { registry_ = registry; }

protected:
    // The published properties in declaration order, those of base classes first: an override
    // starts from its base class's list and appends its own.
    virtual std::vector<PublishedProperty> PublishedProperties() const { return {}; }

private:
    std::string elementName_;
    const TtsNodeNameRegistry* registry_ = nullptr;
    TtsObjectList<TtsXMLElementObject> children_;
};

}  // namespace tesra
