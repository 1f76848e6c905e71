#include "IniFile.h"

#include <QSaveFile>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "KestError.h"
#include "KestUtils.h"

namespace doravo {

using kest::EKestError;
using kest::SameNameCI;
using kest::TrimBlanks;

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";

bool Holds(std::string_view text, std::string_view chars)
{
    return text.find_first_of(chars) != text.npos;
}

} // namespace

bool TryStrToInt(std::string_view text, int32_t& value)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return false;
    int64_t result = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        result = result * 10 + (text[i] - '0');
        if (result > int64_t(INT32_MAX) + 1)
            return false;
    }
    if (negative)
        result = -result;
    if (result > INT32_MAX || result < INT32_MIN)
        return false;
    value = static_cast<int32_t>(result);
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& error)
{
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString().toStdString();
        return false;
    }
    if (file.write(data.data(), qint64(data.size())) != qint64(data.size())) {
        error = file.errorString().toStdString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString().toStdString();
        return false;
    }
    return true;
}

TIniFile::TIniFile(std::string fileName)
    : fileName_(std::move(fileName))
{
    std::error_code ec;
    const std::filesystem::path path(fileName_);
    if (!std::filesystem::exists(path, ec))
        return;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        throw EKestError(FileError("cannot be read"));
    if (size > MaxFileSize)
        throw EKestError(FileError("is larger than " + std::to_string(MaxFileSize) + " bytes"));
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || !in.is_open())
        throw EKestError(FileError("cannot be read"));
    SetText(text);
}

std::string TIniFile::FileError(const std::string& what) const
{
    return "Settings file \"" + fileName_ + "\" " + what;
}

TIniFile::TLine TIniFile::ParseLine(std::string text)
{
    TLine line;
    const std::string trimmed = TrimBlanks(text);
    line.text = std::move(text);
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#')
        return line;
    if (trimmed[0] == '[') {
        const size_t close = trimmed.find(']');
        if (close != trimmed.npos) {
            line.kind = TLine::lkSection;
            line.name = TrimBlanks(std::string_view(trimmed).substr(1, close - 1));
        }
        return line;
    }
    const size_t equals = trimmed.find('=');
    if (equals == trimmed.npos || equals == 0)
        return line;
    line.kind = TLine::lkKey;
    line.name = TrimBlanks(std::string_view(trimmed).substr(0, equals));
    line.value = TrimBlanks(std::string_view(trimmed).substr(equals + 1));
    return line;
}

void TIniFile::SetText(std::string_view text)
{
    if (text.size() > MaxFileSize)
        throw EKestError(FileError("is larger than " + std::to_string(MaxFileSize) + " bytes"));
    std::vector<TLine> lines;
    const bool bom = text.starts_with(Bom);
    if (bom)
        text.remove_prefix(Bom.size());
    std::string eol = "\n";
    const size_t firstBreak = text.find('\n');
    if (firstBreak != text.npos && firstBreak > 0 && text[firstBreak - 1] == '\r')
        eol = "\r\n";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const size_t next = end == text.npos ? text.size() : end + 1;
        if (end == text.npos)
            end = text.size();
        if (end > start && text[end - 1] == '\r')
            --end;
        if (end - start > MaxLineLength)
            throw EKestError(FileError("has a line longer than " + std::to_string(MaxLineLength) + " bytes (line "
                + std::to_string(lines.size() + 1) + ")"));
        if (lines.size() == MaxLines)
            throw EKestError(FileError("has more than " + std::to_string(MaxLines) + " lines"));
        lines.push_back(ParseLine(std::string(text.substr(start, end - start))));
        start = next;
    }
    lines_ = std::move(lines);
    eol_ = eol;
    bom_ = bom;
    finalEol_ = text.empty() || text.back() == '\n';
}

std::string TIniFile::Text() const
{
    std::string text = bom_ ? std::string(Bom) : std::string();
    for (size_t i = 0; i < lines_.size(); ++i) {
        text += lines_[i].text;
        if (i + 1 < lines_.size() || finalEol_)
            text += eol_;
    }
    return text;
}

std::pair<int, int> TIniFile::FindSection(std::string_view section) const
{
    const int count = int(lines_.size());
    for (int i = 0; i < count; ++i) {
        if (lines_[i].kind != TLine::lkSection || !SameNameCI(lines_[i].name, section))
            continue;
        int last = i + 1;
        while (last < count && lines_[last].kind != TLine::lkSection)
            ++last;
        return {i + 1, last};
    }
    return {-1, -1};
}

int TIniFile::FindKey(std::string_view section, std::string_view key) const
{
    const auto [first, last] = FindSection(section);
    for (int i = first; i < last; ++i)
        if (lines_[i].kind == TLine::lkKey && SameNameCI(lines_[i].name, key))
            return i;
    return -1;
}

std::optional<std::string> TIniFile::ReadValue(std::string_view section, std::string_view key) const
{
    const int index = FindKey(section, key);
    if (index < 0)
        return std::nullopt;
    return lines_[index].value;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, const std::string& defaultValue) const
{
    return ReadValue(section, key).value_or(defaultValue);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const
{
    int32_t value = 0;
    const std::optional<std::string> text = ReadValue(section, key);
    return text && TryStrToInt(*text, value) ? value : defaultValue;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSection(std::string_view section) const
{
    std::vector<std::pair<std::string, std::string>> keys;
    const auto [first, last] = FindSection(section);
    for (int i = first; i < last; ++i)
        if (lines_[i].kind == TLine::lkKey)
            keys.emplace_back(lines_[i].name, lines_[i].value);
    return keys;
}

bool TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string name = TrimBlanks(key);
    const std::string sectionName = TrimBlanks(section);
    if (name.empty() || sectionName.empty() || Holds(section, "\r\n]") || Holds(key, "\r\n=") || Holds(value, "\r\n")
        || name[0] == '[' || name[0] == ';' || name[0] == '#')
        return false;
    const std::string trimmedValue = TrimBlanks(value);
    if (const int index = FindKey(sectionName, name); index >= 0) {
        lines_[index] = ParseLine(lines_[index].name + "=" + trimmedValue);
        return true;
    }
    TLine line = ParseLine(name + "=" + trimmedValue);
    if (const auto [first, last] = FindSection(sectionName); first >= 0) {
        int at = first;
        for (int i = first; i < last; ++i)
            if (lines_[i].kind == TLine::lkKey)
                at = i + 1;
        lines_.insert(lines_.begin() + at, std::move(line));
        return true;
    }
    if (!lines_.empty() && !TrimBlanks(lines_.back().text).empty())
        lines_.push_back(ParseLine(""));
    lines_.push_back(ParseLine("[" + sectionName + "]"));
    lines_.push_back(std::move(line));
    finalEol_ = true;
    return true;
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::UpdateFile(std::string& error) const
{
    std::string detail;
    if (writer_(fileName_, Text(), detail))
        return true;
    error = FileError("could not be written: " + detail);
    return false;
}

} // namespace doravo
