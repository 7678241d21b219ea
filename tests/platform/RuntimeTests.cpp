#include "platform/Runtime.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Instance : platform::Object {
    explicit Instance(Class cls, bool* deleted = nullptr)
        : platform::Object(cls), m_deleted(deleted) {}
    ~Instance() override {
        if (m_deleted)
            *m_deleted = true;
    }
    bool* m_deleted;
};

// What the implementations below saw, in the order they ran.
std::vector<std::string> calls;
IMP firstSlot;
IMP secondSlot;

int original(id, SEL, int value) {
    calls.push_back("original " + std::to_string(value));
    return value * 10;
}
int otherOriginal(id, SEL, int value) {
    calls.push_back("other " + std::to_string(value));
    return -value;
}
int firstReplacement(id self, SEL selector, int value) {
    calls.push_back("first " + std::to_string(value));
    return callIMP<int>(firstSlot, self, selector, value) + 1;
}
int secondReplacement(id self, SEL selector, int value) {
    calls.push_back("second " + std::to_string(value));
    return callIMP<int>(secondSlot, self, selector, value) + 2;
}

// Each test registers its classes under names of its own and takes them out again, so that
// the process-wide class table holds nothing of one test in the next.
class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        firstSlot = secondSlot = nullptr;
    }
    void TearDown() override {
        for (auto& name : m_names)
            objc_unregisterClass(name.c_str());
    }
    Class makeClass(const std::string& name, Class superclass = nullptr) {
        auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_names.push_back(std::string(test->name()) + "." + name);
        return objc_allocateClass(m_names.back().c_str(), superclass);
    }

    SEL value = sel_registerName("valueFor:");
    std::vector<std::string> m_names;
};

TEST_F(RuntimeTest, HookOnMissingClassDoesNothing) {
    auto sentinel = toIMP(original);
    IMP slot = sentinel;
    MSHookMessageEx(objc_getClass("RuntimeTest.NoSuchHostClass"), value, toIMP(firstReplacement),
                    &slot);
    EXPECT_EQ(slot, sentinel);
}

TEST_F(RuntimeTest, HookOnSelectorNoClassAnswersDoesNothing) {
    Class base = makeClass("Base");
    Class derived = makeClass("Derived", base);
    IMP slot = nullptr;
    MSHookMessageEx(derived, value, toIMP(firstReplacement), &slot);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(class_getOwnMethodImplementation(derived, value), nullptr);
    Instance instance(derived);
    EXPECT_EQ(msgSend<int>(&instance, value, 3), 0);
    EXPECT_TRUE(calls.empty());
}

TEST_F(RuntimeTest, HookOnOwnMethodReplacesItAndTheSlotRunsTheOriginal) {
    Class cls = makeClass("Host");
    ASSERT_TRUE(class_addMethod(cls, value, toIMP(original)));
    MSHookMessageEx(cls, value, toIMP(firstReplacement), &firstSlot);
    EXPECT_EQ(firstSlot, toIMP(original));
    Instance instance(cls);
    EXPECT_EQ(msgSend<int>(&instance, value, 4), 41);
    EXPECT_EQ(calls, (std::vector<std::string>{"first 4", "original 4"}));
}

TEST_F(RuntimeTest, HookOnInheritedMethodLeavesTheSuperclassAlone) {
    Class base = makeClass("Base");
    Class derived = makeClass("Derived", base);
    class_addMethod(base, value, toIMP(original));
    MSHookMessageEx(derived, value, toIMP(firstReplacement), &firstSlot);
    EXPECT_EQ(firstSlot, toIMP(original));
    EXPECT_EQ(class_getOwnMethodImplementation(derived, value), toIMP(firstReplacement));
    EXPECT_EQ(class_getOwnMethodImplementation(base, value), toIMP(original));

    Instance baseInstance(base), derivedInstance(derived);
    EXPECT_EQ(msgSend<int>(&baseInstance, value, 1), 10);
    EXPECT_EQ(msgSend<int>(&derivedInstance, value, 2), 21);
    EXPECT_EQ(calls, (std::vector<std::string>{"original 1", "first 2", "original 2"}));
}

TEST_F(RuntimeTest, HookingTwiceChainsTheReplacements) {
    Class cls = makeClass("Host");
    class_addMethod(cls, value, toIMP(original));
    MSHookMessageEx(cls, value, toIMP(firstReplacement), &firstSlot);
    MSHookMessageEx(cls, value, toIMP(secondReplacement), &secondSlot);
    EXPECT_EQ(secondSlot, toIMP(firstReplacement));
    Instance instance(cls);
    EXPECT_EQ(msgSend<int>(&instance, value, 5), 53);
    EXPECT_EQ(calls, (std::vector<std::string>{"second 5", "first 5", "original 5"}));
}

TEST_F(RuntimeTest, ClassMethodsLiveOnTheMetaclassAndAreInherited) {
    Class base = makeClass("Base");
    Class derived = makeClass("Derived", base);
    EXPECT_EQ(class_getSuperclass(object_getClass(derived)), object_getClass(base));
    ASSERT_TRUE(class_addClassMethod(base, value, toIMP(original)));
    EXPECT_EQ(msgSendClass<int>(derived, value, 6), 60);

    // A class method is hooked through the metaclass, like an instance method.
    MSHookMessageEx(object_getClass(derived), value, toIMP(firstReplacement), &firstSlot);
    EXPECT_EQ(msgSendClass<int>(derived, value, 7), 71);
    EXPECT_EQ(msgSendClass<int>(base, value, 8), 80);
    Instance instance(derived);
    EXPECT_EQ(msgSend<int>(&instance, value, 9), 0) << "class methods are not instance methods";
}

TEST_F(RuntimeTest, RegistrationAndUnregistration) {
    Class cls = makeClass("Host");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(objc_allocateClass(class_getName(cls), nullptr), nullptr) << "name taken";
    EXPECT_EQ(objc_getClass(class_getName(cls)), cls);
    class_addMethod(cls, value, toIMP(original));
    EXPECT_FALSE(class_addMethod(cls, value, toIMP(otherOriginal))) << "already has its own";

    std::string name = class_getName(cls);
    objc_unregisterClass(name.c_str());
    EXPECT_EQ(objc_getClass(name.c_str()), nullptr);
    // The class object outlives its registration, and the name is free again.
    Instance instance(cls);
    EXPECT_EQ(msgSend<int>(&instance, value, 2), 20);
    Class successor = objc_allocateClass(name.c_str(), nullptr);
    EXPECT_NE(successor, nullptr);
    EXPECT_NE(successor, cls);
}

TEST(RuntimeSelectors, AreInternedByName) {
    std::string name = "interned:selector:";
    EXPECT_EQ(sel_registerName("interned:selector:"), sel_registerName(name.c_str()));
    EXPECT_NE(sel_registerName("interned:"), sel_registerName("interned:selector:"));
    EXPECT_STREQ(sel_getName(sel_registerName(name.c_str())), "interned:selector:");
}

TEST(RuntimeMessaging, NoneAndUnansweredSelectorsGiveZero) {
    EXPECT_EQ(msgSend<int>(nullptr, sel_registerName("anything"), 1), 0);
    EXPECT_EQ(msgSendClass<double>(nullptr, sel_registerName("anything")), 0.0);
}

TEST(ObjectReferences, LastReleaseDeletesAndClassesAreImmortal) {
    Class cls = objc_allocateClass("ObjectReferences.Immortal", nullptr);
    bool deleted = false;
    {
        auto instance = platform::make<Instance>(cls, &deleted);
        platform::Ref<Instance> second = instance;
        EXPECT_EQ(instance->referenceCount(), 2u);
        instance.clear();
        EXPECT_FALSE(deleted);
    }
    EXPECT_TRUE(deleted);

    auto count = cls->referenceCount();
    cls->retain();
    cls->release();
    cls->release();
    EXPECT_EQ(cls->referenceCount(), count);
    EXPECT_STREQ(class_getName(cls), "ObjectReferences.Immortal");
    objc_unregisterClass("ObjectReferences.Immortal");
}

// An object that lives in storage of its own, so that its memory stays readable after its
// last release and one release too many can be made without touching freed memory.
class Resident final : public platform::Object {
public:
    Resident() : platform::Object(nullptr) {}
    static void* operator new(std::size_t) { return storage; }
    static void operator delete(void*) {}

private:
    alignas(platform::Object) static inline unsigned char storage[64];
};
static_assert(sizeof(Resident) <= 64);

TEST(ObjectReferencesDeathTest, OneReleaseTooManyStopsACheckingBuildOnly) {
    platform::Object* resident = new Resident;
    resident->release();
    // A checking build (debug or sanitizers) stops at the fault; a release build ignores it,
    // so that it never stops a host.
    EXPECT_DEBUG_DEATH(resident->release(), "");
}

} // namespace
