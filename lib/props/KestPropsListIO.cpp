// Saving and loading of property lists: the line forms of values, string
// lists, hexadecimal data and "property" blocks.
#include <algorithm>

#include "KestError.h"
#include "KestFiler.h"
#include "KestPropsKinds.h"
#include "KestPropsList.h"
#include "KestPropsPublished.h"
#include "KestUtils.h"

namespace kest {

namespace {

constexpr size_t kHexBytesPerLine = 32;

class TModeScope {
public:
    TModeScope(TPropList& list, TPropListMode mode)
        : list_(list)
    {
        if (mode == pmLoading)
            list_.BeginLoading();
        else
            list_.BeginSaving();
    }
    ~TModeScope() { list_.EndMode(); }
    TModeScope(const TModeScope&) = delete;
    TModeScope& operator=(const TModeScope&) = delete;

private:
    TPropList& list_;
};

bool StartsWith(std::string_view line, std::string_view keyword)
{
    return line.substr(0, keyword.size()) == keyword;
}

// The second blank-separated word of a "property" line.
std::string BlockName(std::string_view line)
{
    size_t start = line.find_first_not_of(' ', 8);
    if (start == std::string_view::npos)
        return {};
    return std::string(line.substr(start, line.find(' ', start) - start));
}

std::string_view TrimRightBlanks(std::string_view text)
{
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

bool IsQuoted(std::string_view text)
{
    return text.size() >= 2 && text.front() == '\'' && text.back() == '\'';
}

// A text line cannot carry a line break: it would split the value and let
// the rest read as further lines of the document.
std::string WithoutLineBreaks(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

class TPropWriter {
public:
    TPropWriter(TPropList& list, TKestFiler& filer, bool force)
        : list_(list)
        , filer_(filer)
        , force_(force)
    {
    }

    bool WriteProp(TCustomProp& prop, std::string_view name, const std::string& indent, int depth)
    {
        if (depth > TPropList::kMaxNesting)
            throw EKestError("Property " + std::string(name) + " nested too deeply");
        if (prop.PropType() == ptComplex)
            return WriteBlock(prop, name, indent, depth);
        return WriteValue(name, indent, prop.PropType(), prop.GetPropValue({}), false);
    }

private:
    // The "property" line waits until the block has something to write.
    bool WriteBlock(TCustomProp& prop, std::string_view name, const std::string& indent, int depth)
    {
        const TSubPropTable* table = prop.SubProps();
        if (!table)
            return false;
        pending_.push_back(indent + "property " + std::string(name));
        std::string subIndent = indent + "  ";
        bool written = false;
        for (const TSubPropInfo& info : *table) {
            TCustomProp* object = info.Kind == skObject ? info.Object(prop) : nullptr;
            if ((info.Kind == skObject && !object) || (!force_ && !IsStored(prop, info.Name)))
                continue;
            if (object)
                written |= WriteProp(*object, info.Name, subIndent, depth + 1);
            else
                written |= WriteValue(info.Name, subIndent, prop.GetPropType(info.Name), prop.GetPropValue(info.Name),
                    info.Kind == skSet);
        }
        if (written)
            filer_.SaveStr(indent + "end");
        else
            pending_.pop_back();
        return written;
    }

    bool IsStored(TCustomProp& prop, const std::string& subName)
    {
        bool stored = prop.IsSubPropStored(subName);
        if (stored && list_.OnPropStored)
            list_.OnPropStored(&list_, &prop, subName, stored);
        return stored;
    }

    void FlushPending()
    {
        for (const std::string& line : pending_)
            filer_.SaveStr(line);
        pending_.clear();
    }

    bool WriteValue(
        std::string_view name, const std::string& indent, TPropType type, const TPropValue& value, bool isSet)
    {
        const auto* strings = std::get_if<TStrings>(&value);
        const auto* bytes = std::get_if<TBytes>(&value);
        if (type == ptStringList || strings) {
            WriteStrings(name, indent, strings ? *strings : TStrings());
            return true;
        }
        if (type == ptHexData || bytes) {
            WriteBytes(name, indent, bytes ? *bytes : TBytes());
            return true;
        }
        if (IsEmptyValue(value))
            return false;
        std::string text;
        if (!ValueToText(value, text))
            return false;
        FlushPending();
        if (isSet)
            text = "[" + text + "]";
        if (filer_.Binary()) {
            // A 64-bit integer has no record type; its text decodes to the same line.
            filer_.SaveValue(name, isSet || std::holds_alternative<int64_t>(value) ? TPropValue(text) : value);
            return true;
        }
        text = WithoutLineBreaks(std::move(text));
        if (!isSet && NeedsQuoting(text))
            text = "'" + text + "'";
        filer_.SaveStr(indent + std::string(name) + " = " + text);
        return true;
    }

    void WriteStrings(std::string_view name, const std::string& indent, const TStrings& strings)
    {
        FlushPending();
        if (filer_.Binary()) {
            filer_.SaveValue(name, strings);
            return;
        }
        std::string head = indent + std::string(name) + " = (";
        // An element with line breaks is written as the lines it holds.
        TStrings lines;
        for (const std::string& element : strings) {
            TStrings parts = SplitTextLines(element);
            if (parts.empty())
                lines.emplace_back();
            for (std::string& part : parts)
                lines.push_back(std::move(part));
        }
        if (lines.empty()) {
            filer_.SaveStr(head + " )");
            return;
        }
        filer_.SaveStr(head);
        for (size_t i = 0; i < lines.size(); ++i)
            filer_.SaveStr(indent + "  '" + lines[i] + (i + 1 == lines.size() ? "' )" : "'"));
    }

    void WriteBytes(std::string_view name, const std::string& indent, const TBytes& bytes)
    {
        FlushPending();
        if (filer_.Binary()) {
            filer_.SaveValue(name, bytes);
            return;
        }
        std::string head = indent + std::string(name) + " = {";
        if (bytes.empty()) {
            filer_.SaveStr(head + " }");
            return;
        }
        std::string block = head + "\r\n";
        for (size_t i = 0; i < bytes.size(); i += kHexBytesPerLine) {
            block += indent + "  ";
            size_t end = std::min(bytes.size(), i + kHexBytesPerLine);
            for (size_t j = i; j < end; ++j)
                block += ByteToHex(bytes[j]);
            block += end == bytes.size() ? " }\r\n" : "\r\n";
        }
        filer_.SaveBuf(block.data(), block.size());
    }

    TPropList& list_;
    TKestFiler& filer_;
    bool force_;
    std::vector<std::string> pending_;
};

} // namespace

class TPropLoader {
public:
    TPropLoader(TPropList& list, TKestFiler& filer)
        : list_(list)
        , filer_(filer)
    {
    }

    TCustomProp* Load(const std::string& firstLine)
    {
        if (StartsWith(firstLine, "property")) {
            TCustomProp* prop = list_.PropByName(BlockName(firstLine));
            if (prop)
                LoadBlock(*prop, 1);
            else
                filer_.LoadSkipToEnd();
            return prop;
        }
        std::string name;
        TPropValue value;
        if (!ReadValueLine(firstLine, name, value))
            return nullptr;
        TCustomProp* prop = list_.PropByName(name);
        if (prop)
            list_.Assign(*prop, {}, value);
        return prop;
    }

private:
    void LoadBlock(TCustomProp& prop, int depth)
    {
        std::string line;
        bool more = true;
        while (more) {
            more = filer_.LoadStrCheck(line);
            if (!more && line.empty())
                return;
            if (StartsWith(line, "end"))
                return;
            if (StartsWith(line, "property")) {
                TCustomProp* object = prop.PropType() == ptComplex && depth < TPropList::kMaxNesting
                    ? prop.SubPropObject(BlockName(line))
                    : nullptr;
                if (object)
                    LoadBlock(*object, depth + 1);
                else
                    filer_.LoadSkipToEnd();
                continue;
            }
            std::string name;
            TPropValue value;
            if (ReadValueLine(line, name, value) && !name.empty())
                list_.Assign(prop, name, value);
        }
    }

    // Name and value of a value line, reading the further lines of a string
    // list or of hexadecimal data; false for a line without "=".
    bool ReadValueLine(std::string_view line, std::string& name, TPropValue& value)
    {
        size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return false;
        name = TrimBlanks(line.substr(0, eq));
        std::string text = TrimBlanks(line.substr(eq + 1));
        if (text.empty())
            value = std::monostate();
        else if (text.front() == '(')
            value = text.back() == ')' ? TStrings() : ReadStrings();
        else if (text.front() == '{')
            value = text.back() == '}' ? TBytes() : ReadBytes();
        else if (IsQuoted(text))
            value = text.substr(1, text.size() - 2);
        else
            value = std::move(text);
        return true;
    }

    // Calls take(line) for each following line up to the one ending in
    // closer, which is passed without the closer and the blanks before it.
    template <class F> void ReadUntil(char closer, F take)
    {
        std::string line;
        bool more = true;
        while (more) {
            more = filer_.LoadStrCheck(line);
            if (!more && line.empty())
                return;
            bool last = !line.empty() && line.back() == closer;
            std::string_view content = line;
            if (last)
                content = TrimRightBlanks(content.substr(0, content.size() - 1));
            take(content);
            if (last)
                return;
        }
    }

    TStrings ReadStrings()
    {
        TStrings strings;
        ReadUntil(')', [&](std::string_view line) {
            if (IsQuoted(line))
                strings.emplace_back(line.substr(1, line.size() - 2));
        });
        return strings;
    }

    TBytes ReadBytes()
    {
        TBytes bytes;
        ReadUntil('}', [&](std::string_view line) {
            uint8_t byte = 0;
            for (size_t i = 0; i + 1 < line.size() && HexToByte(line.data() + i, byte); i += 2)
                bytes.push_back(byte);
        });
        return bytes;
    }

    TPropList& list_;
    TKestFiler& filer_;
};

void TPropList::SaveToFiler(TKestFiler& filer, std::string_view indent, bool force)
{
    TModeScope saving(*this, pmSaving);
    for (int i = 0; i < Count(); ++i)
        SaveProperty(filer, Prop(i), force, Name(i), indent);
}

bool TPropList::SaveProperty(
    TKestFiler& filer, TCustomProp* prop, bool force, std::string_view name, std::string_view indent)
{
    TModeScope saving(*this, pmSaving);
    if (!force) {
        if (prop->HasStyle(psNotStored))
            return false;
        bool stored = true;
        if (OnPropStored)
            OnPropStored(this, prop, {}, stored);
        if (!stored)
            return false;
    }
    TPropWriter writer(*this, filer, force);
    return writer.WriteProp(*prop, name, std::string(indent), 1);
}

TCustomProp* TPropList::LoadProperty(TKestFiler& filer, const std::string& firstLine)
{
    TModeScope loading(*this, pmLoading);
    TPropLoader loader(*this, filer);
    return loader.Load(firstLine);
}

TCustomProp* TPropList::LoadPropertyDeferred(TKestFiler& filer, const std::string& firstLine, TPropRefList* refList)
{
    struct TRefListScope {
        TPropList& list;
        TPropRefList* saved;
        ~TRefListScope() { list.SetRefList(saved); }
    } scope {*this, refList_};
    refList_ = refList;
    return LoadProperty(filer, firstLine);
}

} // namespace kest
