// The display and emulation options of the station, kept in the section
// "Options" of the settings file.
#pragma once

#include <cstdint>
#include <string>

namespace doravo {

class TIniFile;

struct TAppOptions {
    bool ShowHints = false;
    uint8_t ShowZoneCaptions = 2; // 0 none, 1 the zone under the mouse, 2 all
    int32_t SelFrameWidth = 1; // pixels of the moving selection frame
    uint8_t LampsEffect = 1; // 0 none, 1 running, 2 flashing
    bool Emulation = true;
    bool ShowPersonsCards = false;
    bool ShowCardsInKest = true; // false: card windows, true: in-plan cards

    bool operator==(const TAppOptions&) const = default;
};

extern TAppOptions AppOptions;

// Reads the section "Options" into options; missing or malformed values
// take their defaults, byte fields keep the low 8 bits.
void ReadOptions(const TIniFile& settings, TAppOptions& options);
// Writes options to the section "Options" and the file at once; false with
// the message in error when the file cannot be written (the options in
// memory stay as they are).
bool SaveOptions(TIniFile& settings, const TAppOptions& options, std::string& error);

} // namespace doravo
