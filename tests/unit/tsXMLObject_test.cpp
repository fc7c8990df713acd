#include "support/tsXMLObject.h"

#include <gtest/gtest.h>

#include "platform/Exception.h"

namespace tesra {
namespace {

class Node : public TtsXMLElementObject {
public:
    Node(std::string name, std::vector<std::pair<std::string, std::string>> attributes)
        : attributes_(std::move(attributes)) {
        SetElementName(std::move(name));
    }
    std::string ClassName() const override { return "TNode"; }

protected:
    std::vector<PublishedProperty> PublishedProperties() const override {
        auto list = TtsXMLElementObject::PublishedProperties();
        for (const auto& [name, value] : attributes_) list.push_back({name, [value] { return value; }});
        return list;
    }

private:
    std::vector<std::pair<std::string, std::string>> attributes_;
};

// A base class with one property and a derived class that adds a read-only and a failing one.
class Base : public TtsXMLElementObject {
public:
    std::string ClassName() const override { return "TBase"; }

protected:
    std::vector<PublishedProperty> PublishedProperties() const override {
        auto list = TtsXMLElementObject::PublishedProperties();
        list.push_back({"First", [] { return std::string("1"); }});
        return list;
    }
};

class Derived : public Base {
public:
    bool failing = false;
    std::string ClassName() const override { return "TDerived"; }

protected:
    std::vector<PublishedProperty> PublishedProperties() const override {
        auto list = Base::PublishedProperties();
        list.push_back({"Hidden", [] { return std::string("x"); }, PropertyAccess::ReadOnly});
        list.push_back({"Second", [this] {
                            if (failing) throw Exception("读不到");
                            return std::string("a\nb");
                        }});
        list.push_back({"Empty", [] { return std::string(); }});
        return list;
    }
};

TEST(TtsXMLElementObject, WritesRootWithChildExactly) {
    Node root("Root", {{"a", "1"}});
    root.AddChild(std::make_unique<Node>("Child", std::vector<std::pair<std::string, std::string>>{{"b", "2"}}));
    EXPECT_EQ(root.Count(), 1);
    EXPECT_EQ(root.Item(0).ElementName(), "Child");
    EXPECT_EQ(root.SaveToString(), "<Root a=\"1\">\n  <Child b=\"2\"/>\n</Root>\n");
}

TEST(TtsXMLElementObject, ElementWithoutPropertiesIsNameAndClose) {
    Node empty("Empty", {});
    EXPECT_EQ(empty.SaveToString(), "<Empty/>\n");
}

TEST(TtsXMLElementObject, BasePropertiesFirstReadOnlySkippedEmptyKept) {
    Derived object;
    object.SetElementName("D");
    EXPECT_EQ(object.SaveToString(), "<D First=\"1\" Second=\"a\r\nb\" Empty=\"\"/>\n");
    EXPECT_EQ(object.GetPropertyText("Hidden"), "x");
    EXPECT_THROW(object.GetPropertyText("Missing"), Exception);
}

TEST(TtsXMLElementObject, FailedReadNamesClassAndProperty) {
    Derived object;
    object.SetElementName("D");
    object.failing = true;
    try {
        object.SaveToString();
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "获取“TDerived.Second”失败：读不到");
    }
}

TEST(TtsXMLElementObject, NameComesFromRegistryOnceForExactClass) {
    TtsNodeNameRegistry registry;
    registry.Add<Base>("BaseNode");
    registry.Add<Derived>("DerivedNode");
    registry.Add<Derived>("Second");
    Derived object;
    object.SetNodeNameRegistry(&registry);
    EXPECT_EQ(object.SaveToString().substr(0, 13), "<DerivedNode ");
    EXPECT_EQ(object.ElementName(), "DerivedNode");
    object.SetNodeNameRegistry(nullptr);  // the stored name needs no registry any more
    EXPECT_EQ(object.SaveToString().substr(0, 13), "<DerivedNode ");
}

TEST(TtsXMLElementObject, UnregisteredClassIsAnError) {
    TtsNodeNameRegistry registry;
    registry.Add<Derived>("DerivedNode");  // a derived class's entry does not name its base
    Base object;
    object.SetNodeNameRegistry(&registry);
    try {
        object.SaveToString();
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "没有定义类“TBase”对应的节点");
    }
    Base unnamed;
    EXPECT_THROW(unnamed.SaveToString(), std::logic_error);
}

TEST(TtsXMLElementObject, PresetNameNeverConsultsRegistry) {
    Node named("Named", {});
    EXPECT_EQ(named.SaveToString(), "<Named/>\n");  // no registry assigned and none needed
}

}  // namespace
}  // namespace tesra
