// The runtime classes of one simulated host shell, and the objects that stand for their
// instances.
//
// Every class of the profile is made, plus `UIDevice` and `NSBundle`, except the classes the
// host lacks: those do not exist at all, for the host as for the extension. A lookup by name
// does not find them, they have no instance, and so none of the host's own methods of such a
// class ever runs (a host without its cover-sheet controller shows no charging view through
// it). The page view is then a plain view, which the host still presents.
//
// The classes are made afresh for every host and taken out of the table when it goes, so a
// later host in the same process starts with classes that nothing has interposed.
#pragma once

#include "platform/Runtime.h"
#include "sim/HostSetup.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace velorin::sim {

class HostClasses {
public:
    // Fails with std::logic_error when a class of that name is already registered, which
    // means another host is still alive in this process.
    HostClasses(HostProfile profile, const std::set<std::string>& lackingClasses);
    ~HostClasses();
    HostClasses(const HostClasses&) = delete;
    HostClasses& operator=(const HostClasses&) = delete;

    // The host's class of that name; none when the host has no such class.
    Class classNamed(std::string_view name) const;
    // The object that stands for the class's one instance (a singleton or controller); none
    // for the page view class, whose instance is the page view itself.
    id instanceOf(Class cls) const;
    id instanceNamed(std::string_view name) const { return instanceOf(classNamed(name)); }

    // Adds one of the host's own implementations and remembers it, so that a replacement put
    // in its place can be told apart from it.
    void addMethod(std::string_view className, const char* selector, IMP implementation);
    void addClassMethod(std::string_view className, const char* selector, IMP implementation);
    // Whether the class now answers the selector with something other than the host's own
    // implementation: an interposed method.
    bool isInterposed(Class cls, SEL selector) const;

private:
    struct Entry {
        std::string name;
        Class cls{nullptr};
        platform::Ref<platform::Object> instance;
    };
    const Entry* find(std::string_view name) const;

    std::vector<Entry> m_entries;
    std::map<std::pair<Class, SEL>, IMP> m_ownImplementations;
};

} // namespace velorin::sim
