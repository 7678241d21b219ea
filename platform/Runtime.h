// The object runtime: classes registered by name, selectors, methods, message sending and
// method interposition (`MSHookMessageEx`).
//
// A class has a name, an optional superclass, instance methods and class methods (held by
// its metaclass, as on the real platform, so a class is itself a receiver). An implementation
// is an untyped function pointer (`IMP`); whoever calls one casts it back to the exact type it
// was registered with, receiver and selector first. Sending to none, or sending a selector
// that no class in the chain answers, does nothing and answers zero, false or none.
#pragma once

#include "platform/Object.h"

#include <string>
#include <type_traits>

struct objc_selector;
using SEL = const objc_selector*;
using IMP = void (*)();

struct VELORIN_EXPORT objc_class final : platform::Object {
    objc_class(std::string name, Class superclass, Class metaclass);
    ~objc_class() override;
    struct Impl;
    Impl* impl;
};

// Registers a class and its metaclass. Answers none when the name is taken.
VELORIN_EXPORT Class objc_allocateClass(const char* name, Class superclass);
// Takes a class out of the table, so that lookups by name answer none from then on. The
// class object itself stays valid: instances and hooks that still point at it keep working.
VELORIN_EXPORT void objc_unregisterClass(const char* name);
// The class registered under `name`, or none when the running process lacks it.
VELORIN_EXPORT Class objc_getClass(const char* name);
VELORIN_EXPORT const char* class_getName(Class cls);
VELORIN_EXPORT Class class_getSuperclass(Class cls);
// The metaclass for a class, the class for an instance.
VELORIN_EXPORT Class object_getClass(id object);
VELORIN_EXPORT bool class_isSubclassOf(Class cls, Class ancestor);

VELORIN_EXPORT SEL sel_registerName(const char* name);
VELORIN_EXPORT const char* sel_getName(SEL selector);

// Adds a method that the class itself defines. Answers false when it already has its own.
VELORIN_EXPORT bool class_addMethod(Class cls, SEL selector, IMP implementation);
VELORIN_EXPORT bool class_addClassMethod(Class cls, SEL selector, IMP implementation);
// The implementation the class answers with, its own or inherited; none when no class in
// the chain has one.
VELORIN_EXPORT IMP class_getMethodImplementation(Class cls, SEL selector);
// The class's own implementation, ignoring superclasses; none when it defines none.
VELORIN_EXPORT IMP class_getOwnMethodImplementation(Class cls, SEL selector);

// Replaces the implementation of `selector` on `cls` with `replacement` and stores the one it
// displaced in `*slot`. With no class, or a selector the class neither has nor inherits,
// nothing changes and the slot is left as it was; likewise with no replacement. For an
// inherited method the class gets its own method and the superclass keeps its implementation.
// A slot may be none when the caller does not need the displaced implementation.
VELORIN_EXPORT void MSHookMessageEx(Class cls, SEL selector, IMP replacement, IMP* slot);

// Casts a typed function to the runtime's untyped implementation pointer.
template <typename Function>
IMP toIMP(Function* function) {
    static_assert(std::is_function_v<Function>);
    return reinterpret_cast<IMP>(function);
}

// Calls a stored implementation with the types it was registered with.
template <typename Result = void, typename... Arguments>
Result callIMP(IMP implementation, id receiver, SEL selector, Arguments... arguments) {
    using Typed = Result (*)(id, SEL, Arguments...);
    return reinterpret_cast<Typed>(implementation)(receiver, selector, arguments...);
}

// Sends a message. None, or a receiver that does not answer the selector, gives a
// value-initialised result (zero, false, none) and has no effect.
template <typename Result = void, typename... Arguments>
Result msgSend(id receiver, SEL selector, Arguments... arguments) {
    if (!receiver)
        return Result();
    IMP implementation = class_getMethodImplementation(object_getClass(receiver), selector);
    if (!implementation)
        return Result();
    return callIMP<Result, Arguments...>(implementation, receiver, selector, arguments...);
}

// Sends a message to a class (a class method).
template <typename Result = void, typename... Arguments>
Result msgSendClass(Class cls, SEL selector, Arguments... arguments) {
    return msgSend<Result, Arguments...>(static_cast<id>(cls), selector, arguments...);
}
