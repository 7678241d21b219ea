// The object runtime's tables: registered classes, interned selectors and each class's methods.
//
// Every class is made together with its metaclass, which holds the class methods, so that a
// class answers messages like any other receiver. Class objects are never freed: instances,
// hooks and slots may point at a class after it has been taken out of the table, so every
// class ever made is kept in a process-wide list. The tables are made on first use and never
// destroyed, so that code running at process exit can still look things up. Looking a class
// or a known selector up by name allocates nothing, as on the device, so that a lookup never
// fails for want of memory. There are no locks: the runtime is used from the main thread only.
#include "platform/Runtime.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct objc_selector {
    std::string name;
};

struct objc_class::Impl {
    std::string name;
    Class superclass{nullptr};
    std::map<SEL, IMP> methods;
};

namespace {

// Hashes names given as any kind of string alike, so that a name is looked up without being
// copied into a std::string first.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept {
        return std::hash<std::string_view>{}(name);
    }
};

template <typename Value>
using NameTable = std::unordered_map<std::string, Value, NameHash, std::equal_to<>>;

struct RuntimeTables {
    NameTable<Class> classesByName;
    // Every class and metaclass ever made, so that none is reported as lost at exit.
    std::vector<Class> allClasses;
    NameTable<std::unique_ptr<objc_selector>> selectors;
};

RuntimeTables& tables() {
    static auto* runtimeTables = new RuntimeTables;
    return *runtimeTables;
}

IMP ownMethod(Class cls, SEL selector) {
    auto found = cls->impl->methods.find(selector);
    return found == cls->impl->methods.end() ? nullptr : found->second;
}

} // namespace

objc_class::objc_class(std::string name, Class superclass, Class metaclass)
    : platform::Object(metaclass), impl(new Impl{std::move(name), superclass, {}}) {
    m_immortal = true;
}

objc_class::~objc_class() {
    delete impl;
}

Class objc_allocateClass(const char* name, Class superclass) {
    if (!name || !*name)
        return nullptr;
    auto& runtime = tables();
    if (runtime.classesByName.contains(std::string_view(name)))
        return nullptr;
    // A metaclass inherits from the superclass's metaclass, so class methods are inherited
    // the way instance methods are.
    Class superMetaclass = superclass ? superclass->isa() : nullptr;
    // Room is made in both tables and the two classes are owned here until both tables hold
    // them, so that running out of memory on the way leaves nothing made and nothing lost.
    runtime.allClasses.reserve(runtime.allClasses.size() + 2);
    auto metaclass = std::make_unique<objc_class>(name, superMetaclass, nullptr);
    auto cls = std::make_unique<objc_class>(name, superclass, metaclass.get());
    runtime.classesByName.emplace(name, cls.get());
    runtime.allClasses.push_back(metaclass.release());
    runtime.allClasses.push_back(cls.get());
    return cls.release();
}

void objc_unregisterClass(const char* name) {
    if (!name)
        return;
    auto& classes = tables().classesByName;
    if (auto found = classes.find(std::string_view(name)); found != classes.end())
        classes.erase(found);
}

Class objc_getClass(const char* name) {
    if (!name)
        return nullptr;
    auto& classes = tables().classesByName;
    auto found = classes.find(std::string_view(name));
    return found == classes.end() ? nullptr : found->second;
}

const char* class_getName(Class cls) {
    return cls ? cls->impl->name.c_str() : "";
}

Class class_getSuperclass(Class cls) {
    return cls ? cls->impl->superclass : nullptr;
}

Class object_getClass(id object) {
    return object ? object->isa() : nullptr;
}

bool class_isSubclassOf(Class cls, Class ancestor) {
    if (!ancestor)
        return false;
    for (Class current = cls; current; current = current->impl->superclass) {
        if (current == ancestor)
            return true;
    }
    return false;
}

SEL sel_registerName(const char* name) {
    if (!name)
        return nullptr;
    auto& selectors = tables().selectors;
    if (auto found = selectors.find(std::string_view(name)); found != selectors.end())
        return found->second.get();
    auto selector = std::make_unique<objc_selector>(objc_selector{name});
    SEL registered = selector.get();
    selectors.emplace(name, std::move(selector));
    return registered;
}

const char* sel_getName(SEL selector) {
    return selector ? selector->name.c_str() : "";
}

bool class_addMethod(Class cls, SEL selector, IMP implementation) {
    if (!cls || !selector || !implementation)
        return false;
    return cls->impl->methods.emplace(selector, implementation).second;
}

bool class_addClassMethod(Class cls, SEL selector, IMP implementation) {
    return class_addMethod(object_getClass(cls), selector, implementation);
}

IMP class_getMethodImplementation(Class cls, SEL selector) {
    if (!selector)
        return nullptr;
    for (Class current = cls; current; current = current->impl->superclass) {
        if (IMP implementation = ownMethod(current, selector))
            return implementation;
    }
    return nullptr;
}

IMP class_getOwnMethodImplementation(Class cls, SEL selector) {
    if (!cls || !selector)
        return nullptr;
    return ownMethod(cls, selector);
}

void MSHookMessageEx(Class cls, SEL selector, IMP replacement, IMP* slot) {
    // A class that the running host lacks arrives as none; the hook must then do nothing, so
    // that the replacement can never be reached. A missing replacement is refused as well:
    // installing none would make the class stop answering the selector.
    if (!cls || !selector || !replacement)
        return;
    auto& methods = cls->impl->methods;
    if (auto own = methods.find(selector); own != methods.end()) {
        IMP displaced = own->second;
        own->second = replacement;
        if (slot)
            *slot = displaced;
        return;
    }
    // An inherited method: the class gets a method of its own, and the slot receives what the
    // class answered with until now. The superclass keeps its implementation.
    IMP inherited = class_getMethodImplementation(cls->impl->superclass, selector);
    if (!inherited)
        return;
    methods.emplace(selector, replacement);
    if (slot)
        *slot = inherited;
}
