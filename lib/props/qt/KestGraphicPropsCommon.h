// What the graphic property kinds share: the change protocol on a field and
// the loading of linked picture files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "KestPropsBase.h"
#include "KestValue.h"

namespace kest {

// Stores value in field through prop's change protocol: nothing for an equal
// value or a read-only property. True when the value was stored.
template <class V> bool ChangePropField(TCustomProp& prop, V& field, const V& value)
{
    if (field == value || prop.IsReadOnly())
        return false;
    prop.DoBeforeChanged();
    field = value;
    prop.DoChanged();
    return true;
}

// The file a link name stands for: an absolute name as it is, any other
// relative to the program's folder.
std::string LinkFilePath(std::string_view name);
// The bytes of a linked file; none when the name is empty or the file is
// missing, unreadable or larger than any graphic may be.
std::optional<TBytes> ReadLinkFile(std::string_view name);

} // namespace kest
