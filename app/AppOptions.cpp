#include "AppOptions.h"

#include "IniFile.h"

namespace doravo {

TAppOptions AppOptions;

namespace {

constexpr const char* Section = "Options";

} // namespace

void ReadOptions(const TIniFile& settings, TAppOptions& options)
{
    const TAppOptions defaults;
    options.ShowHints = settings.ReadBool(Section, "ShowHints", defaults.ShowHints);
    options.ShowZoneCaptions
        = static_cast<uint8_t>(settings.ReadInteger(Section, "ShowZoneCaptions", defaults.ShowZoneCaptions));
    options.SelFrameWidth = settings.ReadInteger(Section, "SelFrameWidth", defaults.SelFrameWidth);
    options.LampsEffect = static_cast<uint8_t>(settings.ReadInteger(Section, "LampsEffect", defaults.LampsEffect));
    options.ShowPersonsCards = settings.ReadBool(Section, "ShowPersonsCards", defaults.ShowPersonsCards);
    options.Emulation = settings.ReadBool(Section, "Emulation", defaults.Emulation);
    options.ShowCardsInKest = settings.ReadBool(Section, "ShowCardsInKest", defaults.ShowCardsInKest);
}

bool SaveOptions(TIniFile& settings, const TAppOptions& options, std::string& error)
{
    // The whole section goes to disk in one replacement of the file, so a
    // failed save leaves the file as it was before any of it.
    settings.WriteBool(Section, "ShowHints", options.ShowHints);
    settings.WriteInteger(Section, "ShowZoneCaptions", options.ShowZoneCaptions);
    settings.WriteInteger(Section, "SelFrameWidth", options.SelFrameWidth);
    settings.WriteInteger(Section, "LampsEffect", options.LampsEffect);
    settings.WriteBool(Section, "ShowPersonsCards", options.ShowPersonsCards);
    settings.WriteBool(Section, "Emulation", options.Emulation);
    settings.WriteBool(Section, "ShowCardsInKest", options.ShowCardsInKest);
    return settings.UpdateFile(error);
}

} // namespace doravo
