// Published sub-properties of complex properties: a per-class table, in
// declaration order, of what each sub-property is and how to reach it. The
// table is what saving, loading and IsSubPropStored work from.
//
// Declaring one:
//
//   const TSubPropTable* TMyPen::SubProps() const
//   {
//       static const TSubPropTable table = TSubPropTableBuilder<TMyPen>()
//           .Integer("Color", &TMyPen::Color, &TMyPen::SetColor)
//           .Enumeration("Style", {"psSolid", "psDash"}, &TMyPen::Style, &TMyPen::SetStyle).Default(psSolid)
//           .Set("Options", {"poA", "poB"}, &TMyPen::Options, &TMyPen::SetOptions)
//           .Float("Scale", &TMyPen::Scale, &TMyPen::SetScale)
//           .Object("Cap", [](TMyPen& p) -> TCustomProp* { return &p.Cap(); });
//       return &table;
//   }
//
// Getters and setters are member functions or callables taking the class.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "KestError.h"
#include "KestPropsBase.h"

namespace kest {

enum TSubPropKind : uint8_t {
    skInteger,
    skChar,
    skEnumeration,
    skSet,
    skFloat,
    skText,
    skInt64,
    skMethod,
    skVariant,
    skObject,
    skOther,
};

// One published sub-property. Get and Set work on the raw value: integer,
// character, enumeration and set as int32_t (ordinal, code or bits), float
// as double, text as text, 64-bit integer as int64_t, the other kinds as
// they come. GetSubPropValue / SetSubPropValue give the published form.
struct TSubPropInfo {
    std::string Name;
    TSubPropKind Kind = skOther;
    std::function<TPropValue(const TCustomProp&)> Get;
    std::function<void(TCustomProp&, const TPropValue&)> Set;
    TStrings EnumNames; // enumeration values, or set elements by bit
    std::optional<int32_t> Default; // declared default, ordinal kinds only
    std::function<bool(const TCustomProp&)> Stored; // stored-condition; none = always
    std::function<TCustomProp*(TCustomProp&)> Object; // object sub-property

    bool IsOrdinal() const { return Kind <= skSet; }
};

class TSubPropTable {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    const TSubPropInfo& Item(int index) const { return items_[index]; }
    // Looked up ignoring case.
    const TSubPropInfo* Find(std::string_view name) const;
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    void Add(TSubPropInfo info);
    TSubPropInfo& Last() { return items_.back(); }

private:
    std::vector<TSubPropInfo> items_;
};

// The published form: enumerations as their name, sets as "a,b" (no
// brackets), characters as a one-byte text, objects as the object's own
// value; empty for an enumeration outside its names.
TPropValue GetSubPropValue(TCustomProp& instance, const TSubPropInfo& info);
// Accepts the published form or the raw one (a set with or without
// brackets); false, with nothing changed, for a value that does not fit.
bool SetSubPropValue(TCustomProp& instance, const TSubPropInfo& info, const TPropValue& value);
// Whether the sub-property holds its default: the ancestor's value when an
// ancestor is given, else the declared default by kind.
bool IsDefaultPropValue(TCustomProp& instance, const TSubPropInfo& info, TCustomProp* ancestor);

// Set texts: "a,b" from bits and back; names are matched ignoring case and
// blanks around them; an unknown name fails the whole text.
std::string SetToText(uint32_t bits, const TStrings& names);
bool TextToSet(std::string_view text, const TStrings& names, uint32_t& bits);

template <class T> class TSubPropTableBuilder {
public:
    TSubPropTableBuilder() = default;
    // Starts from the table of a base class; its entries come first.
    explicit TSubPropTableBuilder(const TSubPropTable& inherited)
        : table_(inherited)
    {
    }

    template <class G, class S> TSubPropTableBuilder& Integer(std::string name, G get, S set)
    {
        return Ordinal(std::move(name), skInteger, {}, get, set);
    }
    template <class G, class S> TSubPropTableBuilder& Char(std::string name, G get, S set)
    {
        return Ordinal(std::move(name), skChar, {}, get, set);
    }
    template <class G, class S> TSubPropTableBuilder& Enumeration(std::string name, TStrings names, G get, S set)
    {
        return Ordinal(std::move(name), skEnumeration, std::move(names), get, set);
    }
    // An enumeration with the names "False" and "True".
    template <class G, class S> TSubPropTableBuilder& Boolean(std::string name, G get, S set)
    {
        return Ordinal(std::move(name), skEnumeration, {"False", "True"}, get, set);
    }
    template <class G, class S> TSubPropTableBuilder& Set(std::string name, TStrings names, G get, S set)
    {
        return Ordinal(std::move(name), skSet, std::move(names), get, set);
    }
    template <class G, class S> TSubPropTableBuilder& Float(std::string name, G get, S set)
    {
        return Typed<double>(std::move(name), skFloat, get, set);
    }
    template <class G, class S> TSubPropTableBuilder& Text(std::string name, G get, S set)
    {
        return Typed<std::string>(std::move(name), skText, get, set);
    }
    template <class G, class S> TSubPropTableBuilder& Int64(std::string name, G get, S set)
    {
        return Typed<int64_t>(std::move(name), skInt64, get, set);
    }
    // Method, variant and other kinds: getter and setter by TPropValue.
    template <class G, class S> TSubPropTableBuilder& Value(std::string name, TSubPropKind kind, G get, S set)
    {
        TSubPropInfo info;
        info.Name = std::move(name);
        info.Kind = kind;
        info.Get = [get](const TCustomProp& p) { return TPropValue(std::invoke(get, Self(p))); };
        info.Set = [set](TCustomProp& p, const TPropValue& v) { std::invoke(set, Self(p), v); };
        table_.Add(std::move(info));
        return *this;
    }
    // The getter returns the nested property object, or none.
    template <class G> TSubPropTableBuilder& Object(std::string name, G get)
    {
        TSubPropInfo info;
        info.Name = std::move(name);
        info.Kind = skObject;
        info.Object = [get](TCustomProp& p) -> TCustomProp* { return std::invoke(get, Self(p)); };
        table_.Add(std::move(info));
        return *this;
    }

    // Declared default of the last entry.
    template <class V> TSubPropTableBuilder& Default(V value)
    {
        TSubPropInfo& last = table_.Last();
        if (!last.IsOrdinal())
            throw EKestError("Sub-property " + last.Name + " cannot declare a default");
        last.Default = static_cast<int32_t>(value);
        return *this;
    }
    // Stored-condition of the last entry.
    template <class F> TSubPropTableBuilder& Stored(F condition)
    {
        table_.Last().Stored = [condition](const TCustomProp& p) { return std::invoke(condition, Self(p)); };
        return *this;
    }

    operator TSubPropTable() const { return table_; }

private:
    static const T& Self(const TCustomProp& p) { return static_cast<const T&>(p); }
    static T& Self(TCustomProp& p) { return static_cast<T&>(p); }

    template <class G, class S>
    TSubPropTableBuilder& Ordinal(std::string name, TSubPropKind kind, TStrings names, G get, S set)
    {
        using R = std::remove_cvref_t<std::invoke_result_t<G, const T&>>;
        TSubPropInfo info;
        info.Name = std::move(name);
        info.Kind = kind;
        info.EnumNames = std::move(names);
        info.Get = [get](const TCustomProp& p) { return TPropValue(static_cast<int32_t>(std::invoke(get, Self(p)))); };
        info.Set = [set](TCustomProp& p, const TPropValue& v) {
            std::invoke(set, Self(p), static_cast<R>(std::get<int32_t>(v)));
        };
        table_.Add(std::move(info));
        return *this;
    }

    template <class V, class G, class S> TSubPropTableBuilder& Typed(std::string name, TSubPropKind kind, G get, S set)
    {
        TSubPropInfo info;
        info.Name = std::move(name);
        info.Kind = kind;
        info.Get = [get](const TCustomProp& p) { return TPropValue(V(std::invoke(get, Self(p)))); };
        info.Set = [set](TCustomProp& p, const TPropValue& v) { std::invoke(set, Self(p), std::get<V>(v)); };
        table_.Add(std::move(info));
        return *this;
    }

    TSubPropTable table_;
};

} // namespace kest
