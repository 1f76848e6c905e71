// The settings file: sections "[Name]" of "key=value" lines. Sections and
// keys compare ignoring case and the first match wins, as the classic ini
// reader does. Every line we do not change (comments, blank lines, lines we
// do not understand, other sections) is written back as it was. Changes are
// made in memory and written with UpdateFile, which replaces the file only
// once the new text is completely on disk.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace doravo {

// Decimal integer text as the settings accept it: leading blanks, an
// optional sign, digits, nothing after them, within 32 bits.
bool TryStrToInt(std::string_view text, int32_t& value);

// Writes data to path through a temporary file in the same folder that is
// renamed over path once complete; path is untouched on any failure, and
// error then says what went wrong.
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error);

class TIniFile {
public:
    static constexpr size_t MaxFileSize = 8u << 20;
    static constexpr size_t MaxLineLength = 64u << 10;
    static constexpr size_t MaxLines = 200000;

    using TWriter = std::function<bool(const std::string& path, std::string_view data, std::string& error)>;

    // Reads the file; a missing file reads as empty. A file over the limits
    // raises EKestError naming it.
    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    // Replaces the content by text (same limits and errors as reading).
    void SetText(std::string_view text);
    // The file as UpdateFile writes it.
    std::string Text() const;

    std::optional<std::string> ReadValue(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key, const std::string& defaultValue) const;
    // A value that is not an integer reads as the default.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
    // True for any integer other than 0.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // Every "key=value" line of the first matching section, in file order.
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const;

    // False (nothing changes) when the section, key or value cannot be held
    // by one line: line breaks anywhere, "]" in a section, "=" in a key, or
    // an empty or blank section or key.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int32_t value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);

    // Writes the file; false with a message naming the file when it cannot.
    bool UpdateFile(std::string& error) const;
    // Lets tests stand in for the disk.
    void SetWriter(TWriter writer) { writer_ = std::move(writer); }

private:
    struct TLine {
        std::string text;
        // Parsed form: a section header, a key line, or neither.
        enum TKind : uint8_t { lkOther, lkSection, lkKey } kind = lkOther;
        std::string name; // section or key, trimmed
        std::string value; // key lines: trimmed value
    };

    static TLine ParseLine(std::string text);
    std::string FileError(const std::string& what) const;
    // Line range [first, last) of the first matching section's body; -1 when absent.
    std::pair<int, int> FindSection(std::string_view section) const;
    int FindKey(std::string_view section, std::string_view key) const;

    std::string fileName_;
    std::vector<TLine> lines_;
    std::string eol_ = "\n";
    bool bom_ = false;
    bool finalEol_ = true;
    TWriter writer_ = WriteFileAtomically;
};

} // namespace doravo
