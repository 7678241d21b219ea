// The root of every object the runtime knows: a class pointer and a reference count.
//
// Objects are shared by reference count, as on the real platform. A `Ref` holds one strong
// reference; raw pointers (`id`) are used where the platform passes receivers and arguments
// without taking ownership. Class objects live for the whole process and ignore retain and
// release. The model is single-threaded: everything runs on the main thread.
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <type_traits>
#include <utility>

struct objc_class;
using Class = objc_class*;

namespace platform {

class VELORIN_EXPORT Object {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    void retain() {
        if (!m_immortal)
            ++m_referenceCount;
    }
    void release();
    std::size_t referenceCount() const { return m_referenceCount; }

    Class isa() const { return m_isa; }
    // Lets a subclass instance present itself as a more specific runtime class, as the
    // host's page view does (a toolkit view whose class is the host's page view class).
    void setIsa(Class isa) { m_isa = isa; }

protected:
    explicit Object(Class isa) : m_isa(isa) {}
    virtual ~Object();

private:
    friend struct ::objc_class;
    Class m_isa;
    std::size_t m_referenceCount{1};
    bool m_immortal{false};
};

} // namespace platform

using id = platform::Object*;

namespace platform {

// A strong, nullable reference. Adopting takes over the reference that creation gave. A
// reference converts implicitly only towards a base class; going the other way takes
// `staticCast`, so that a narrowing is always visible where it is made.
template <typename T>
class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    // Takes a new reference to an object someone else owns.
    explicit Ref(T* object) : m_object(object) {
        if (m_object)
            m_object->retain();
    }
    static Ref adopt(T* object) {
        Ref reference;
        reference.m_object = object;
        return reference;
    }
    Ref(const Ref& other) : Ref(other.m_object) {}
    Ref(Ref&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    template <typename U>
    requires std::is_convertible_v<U*, T*> Ref(const Ref<U>& other) : Ref(other.get()) {}
    template <typename U>
    requires std::is_convertible_v<U*, T*> Ref(Ref<U>&& other)
    noexcept : m_object(other.leak()) {}
    ~Ref() { clear(); }

    Ref& operator=(Ref other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }

    void clear() {
        if (auto* object = std::exchange(m_object, nullptr))
            object->release();
    }
    T* leak() { return std::exchange(m_object, nullptr); }
    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    bool operator==(const Ref& other) const { return m_object == other.m_object; }
    bool operator==(const T* other) const { return m_object == other; }

private:
    T* m_object{nullptr};
};

// Creates an object whose only reference is the returned one.
template <typename T, typename... Arguments>
Ref<T> make(Arguments&&... arguments) {
    return Ref<T>::adopt(new T(std::forward<Arguments>(arguments)...));
}

// A new reference to the same object as a more derived class; the caller knows it is one.
template <typename T, typename U>
Ref<T> staticCast(const Ref<U>& reference) {
    return Ref<T>(static_cast<T*>(reference.get()));
}

} // namespace platform
