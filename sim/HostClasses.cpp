#include "sim/HostClasses.h"

#include "host/HostInterface.h"
#include "platform/display/View.h"
#include "sim/HostProfile.h"

#include <stdexcept>
#include <string_view>

namespace velorin::sim {

namespace {

// A plain runtime object of a host class.
class HostObject final : public platform::Object {
public:
    explicit HostObject(Class cls) : platform::Object(cls) {}
};

} // namespace

HostClasses::HostClasses(HostProfile profile, const std::set<std::string>& lackingClasses) {
    std::vector<const char*> names = hostClassesOf(profile);
    names.push_back(host::deviceClass);
    names.push_back(host::bundleClass);
    for (const char* name : names) {
        if (lackingClasses.contains(name))
            continue;
        bool isPageView = std::string_view(name) == host::mainPageViewClass;
        // The page view class derives from the toolkit's view, so that the page is a view.
        Class cls = objc_allocateClass(name, isPageView ? platform::uiViewClass() : nullptr);
        if (!cls) {
            for (const Entry& made : m_entries)
                objc_unregisterClass(made.name.c_str());
            throw std::logic_error(std::string("the host class ") + name +
                                   " is already registered: another simulated host is alive");
        }
        Entry entry{name, cls, nullptr};
        if (!isPageView)
            entry.instance = platform::make<HostObject>(cls);
        m_entries.push_back(std::move(entry));
    }
}

HostClasses::~HostClasses() {
    for (const Entry& entry : m_entries)
        objc_unregisterClass(entry.name.c_str());
}

const HostClasses::Entry* HostClasses::find(std::string_view name) const {
    for (const Entry& entry : m_entries) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

Class HostClasses::classNamed(std::string_view name) const {
    const Entry* entry = find(name);
    return entry ? entry->cls : nullptr;
}

id HostClasses::instanceOf(Class cls) const {
    for (const Entry& entry : m_entries) {
        if (entry.cls == cls)
            return entry.instance.get();
    }
    return nullptr;
}

void HostClasses::addMethod(std::string_view className, const char* selector, IMP implementation) {
    Class cls = classNamed(className);
    if (!cls)
        return;
    SEL registered = sel_registerName(selector);
    class_addMethod(cls, registered, implementation);
    m_ownImplementations[{cls, registered}] = implementation;
}

void HostClasses::addClassMethod(std::string_view className, const char* selector,
                                 IMP implementation) {
    if (Class cls = classNamed(className))
        class_addClassMethod(cls, sel_registerName(selector), implementation);
}

bool HostClasses::isInterposed(Class cls, SEL selector) const {
    auto own = m_ownImplementations.find({cls, selector});
    if (own == m_ownImplementations.end())
        return false;
    return class_getMethodImplementation(cls, selector) != own->second;
}

} // namespace velorin::sim
