#include "KestClass.h"

namespace kest {

bool TKestClass::InheritsFrom(const TKestClass* ancestor) const
{
    for (const TKestClass* c = this; c; c = c->parent_)
        if (c == ancestor)
            return true;
    return false;
}

bool InheritsFromClass(const TKestClass* cls, const TKestClass* ancestor)
{
    return cls && ancestor && cls->InheritsFrom(ancestor);
}

const TKestClass* TKestObject::StaticClass()
{
    static const TKestClass info("TObject", nullptr);
    return &info;
}

}  // namespace kest
