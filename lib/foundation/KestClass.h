// Run-time class information for the library's object hierarchies: a class
// has a name and a parent, so documents and registries can name classes,
// look them up and ask whether one derives from another.
#pragma once

namespace kest {

class TKestClass {
public:
    constexpr TKestClass(const char* name, const TKestClass* parent) : name_(name), parent_(parent) {}
    TKestClass(const TKestClass&) = delete;
    TKestClass& operator=(const TKestClass&) = delete;

    const char* Name() const { return name_; }
    const TKestClass* Parent() const { return parent_; }
    bool InheritsFrom(const TKestClass* ancestor) const;

private:
    const char* name_;
    const TKestClass* parent_;
};

// True when cls is ancestor or derives from it; false when either is null.
bool InheritsFromClass(const TKestClass* cls, const TKestClass* ancestor);

// Common base of library objects that take part in notification links,
// histories and registries.
class TKestObject {
public:
    virtual ~TKestObject() = default;
    static const TKestClass* StaticClass();
    virtual const TKestClass* ClassType() const { return StaticClass(); }
    const char* ClassName() const { return ClassType()->Name(); }
    bool InheritsFrom(const TKestClass* ancestor) const { return ClassType()->InheritsFrom(ancestor); }
};

}  // namespace kest

// Declares the class information of a TKestObject descendant; pair with
// KEST_CLASS_IMPL in one source file.
#define KEST_CLASS(Self)                                                                   \
public:                                                                                    \
    static const ::kest::TKestClass* StaticClass();                                        \
    const ::kest::TKestClass* ClassType() const override { return StaticClass(); }

#define KEST_CLASS_IMPL(Self, Parent)                                                      \
    const ::kest::TKestClass* Self::StaticClass()                                          \
    {                                                                                      \
        static const ::kest::TKestClass info(#Self, Parent::StaticClass());                \
        return &info;                                                                      \
    }
