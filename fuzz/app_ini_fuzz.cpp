// Arbitrary bytes as a settings file. Whatever reads must write back to a
// text that reads the same and writes the same again; a key written to a
// section must then read back while every other section keeps its values.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "IniFile.h"
#include "KestError.h"

namespace {

using doravo::TIniFile;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Every section header and key of ini must read the same in other.
void CheckSameLookups(const TIniFile& ini, const TIniFile& other, std::string_view text)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == text.npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        const size_t open = line.find('['), close = line.find(']');
        if (open != line.npos && close != line.npos && open < close) {
            const std::string section(line.substr(open + 1, close - open - 1));
            const auto keys = ini.ReadSection(section);
            Check(keys == other.ReadSection(section));
            for (const auto& [key, value] : keys)
                Check(other.ReadValue(section, key) == ini.ReadValue(section, key));
        }
        start = end + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    TIniFile ini("fuzz.ini");
    try {
        ini.SetText(input);
    } catch (const kest::EKestError&) {
        return 0;
    }
    const std::string text = ini.Text();
    TIniFile again("fuzz.ini");
    again.SetText(text);
    Check(again.Text() == text);
    CheckSameLookups(ini, again, input);

    const auto before = ini.ReadSection("Personnel");
    if (ini.WriteString("Options", "Emulation", "0")) {
        Check(ini.ReadValue("options", "EMULATION") == "0");
        Check(ini.ReadSection("Personnel") == before);
        TIniFile written("fuzz.ini");
        written.SetText(ini.Text());
        Check(written.ReadValue("Options", "Emulation") == "0");
        Check(written.ReadSection("Personnel") == before);
    }
    int32_t value = 0;
    if (doravo::TryStrToInt(input.substr(0, 16), value)) {
        int32_t again = 0;
        Check(doravo::TryStrToInt(std::to_string(value), again) && again == value);
    }
    return 0;
}
