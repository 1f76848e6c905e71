// The value a property hands over or takes: a variant of the kinds documents
// store. Empty means "no value"; null is a distinct, explicit no-value.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kest {

struct TNullValue {
    bool operator==(const TNullValue&) const = default;
};

using TStrings = std::vector<std::string>;
using TBytes = std::vector<uint8_t>;

// Index order matters: std::variant::index() is used as the kind tag.
using TPropValue = std::variant<std::monostate,  // empty
                                TNullValue,      // null
                                int32_t,         // 32-bit integer
                                int64_t,         // 64-bit integer
                                bool,            // Boolean
                                double,          // floating
                                std::string,     // text
                                TStrings,        // array of texts
                                TBytes>;         // array of bytes

inline bool IsEmptyValue(const TPropValue& v) { return v.index() <= 1; }

// Conversions used by property kinds; text is parsed in the document format
// ("." decimal separator, "True"/"False"). A value that cannot be converted
// yields false and leaves out unchanged.
bool ValueToText(const TPropValue& v, std::string& out);
bool ValueToInt32(const TPropValue& v, int32_t& out);
bool ValueToDouble(const TPropValue& v, double& out);
bool ValueToBool(const TPropValue& v, bool& out);

}  // namespace kest
