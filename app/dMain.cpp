#include "dMain.h"

#include <map>
#include <unordered_map>

#include "KestError.h"
#include "KestUtils.h"

namespace doravo {

using kest::EKestError;

TdmMain* dmMain = nullptr;

namespace {

// Cuts text to at most max bytes without splitting a UTF-8 sequence.
std::string CutText(std::string text, size_t max)
{
    if (text.size() <= max)
        return text;
    size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

// "Item" followed by an index in plain decimal (no sign, no leading zeros).
bool ItemIndex(const std::string& key, int32_t& index)
{
    constexpr std::string_view prefix = "Item";
    if (key.size() <= prefix.size() || !kest::SameNameCI(std::string_view(key).substr(0, prefix.size()), prefix))
        return false;
    const std::string_view digits = std::string_view(key).substr(prefix.size());
    if ((digits.size() > 1 && digits[0] == '0') || digits[0] < '0' || digits[0] > '9')
        return false;
    return TryStrToInt(digits, index);
}

double Seconds(int64_t seconds)
{
    return double(seconds) / SecsPerDay;
}

} // namespace

TdmMain::TGlobalGuard::TGlobalGuard(TdmMain* module)
    : module_(module)
{
    dmMain = module;
}

TdmMain::TGlobalGuard::~TGlobalGuard()
{
    if (dmMain == module_)
        dmMain = nullptr;
}

TdmMain::TdmMain(const std::string& fileName, TSiteClock& clock)
    : global_(this)
    , clock_(clock)
    , tmMovements_(clock.CreateTimer(1000, [this] { MovementTick(); }))
    , settings_(fileName)
{
    LoadSite();
    StartSimulation();
}

TdmMain::~TdmMain() = default;

namespace {

// The items of one site section in index order, with the key each came from.
struct TSiteSection {
    const TIniFile& settings;
    const char* name;

    [[noreturn]] void Fail(const std::string& key, const std::string& text) const
    {
        throw EKestError("Settings file \"" + settings.FileName() + "\", section \"" + name + "\", key \"" + key
            + "\": \"" + text + "\" is not an integer");
    }

    std::map<int32_t, std::pair<std::string, std::string>> Items() const
    {
        int32_t count = 0;
        if (const std::optional<std::string> text = settings.ReadValue(name, "Count"))
            if (!TryStrToInt(*text, count))
                Fail("Count", *text);
        std::map<int32_t, std::pair<std::string, std::string>> items;
        for (auto& [key, value] : settings.ReadSection(name)) {
            int32_t index = 0;
            if (ItemIndex(key, index) && index < count)
                items.emplace(index, std::make_pair(key, value)); // the first of equal keys wins
        }
        return items;
    }

    int32_t Field(const std::pair<std::string, std::string>& item, int n) const
    {
        const std::string text = kest::ExtractField(item.second, n, ';');
        int32_t value = 0;
        if (!TryStrToInt(text, value))
            Fail(item.first, text);
        return value;
    }
};

} // namespace

void TdmMain::LoadSite()
{
    const TSiteSection personnel {settings_, "Personnel"};
    for (const auto& [index, item] : personnel.Items()) {
        if (item.second.empty())
            continue;
        TPersonRec person;
        person.Id = personnel.Field(item, 1);
        person.LastName = CutText(kest::ExtractField(item.second, 2, ';'), PersonNameLength);
        person.FirstName = CutText(kest::ExtractField(item.second, 3, ';'), PersonNameLength);
        persons_.push_back(std::move(person));
    }
    const TSiteSection zones {settings_, "Zones"};
    for (const auto& [index, item] : zones.Items()) {
        if (item.second.empty())
            continue;
        TZoneRec zone;
        zone.Id = zones.Field(item, 1);
        zone.ParentId = zones.Field(item, 2);
        zone.Name = CutText(kest::ExtractField(item.second, 3, ';'), ZoneNameLength);
        if (zone.Name.starts_with("Office"))
            offices_.push_back(zones_.size());
        zones_.push_back(std::move(zone));
    }
    const TSiteSection passes {settings_, "Passes"};
    for (const auto& [index, item] : passes.Items()) {
        if (item.second.empty())
            continue;
        TPassRec pass;
        pass.Id = passes.Field(item, 1);
        pass.ZoneFrom = passes.Field(item, 2);
        pass.ZoneTo = passes.Field(item, 3);
        pass.Name = CutText(kest::ExtractField(item.second, 4, ';'), PassNameLength);
        passes_.push_back(std::move(pass));
    }
    CheckZoneHierarchy();
}

void TdmMain::CheckZoneHierarchy() const
{
    // Parents are looked up as FindZone does: the first zone with the id.
    std::unordered_map<int32_t, size_t> byId;
    for (size_t i = 0; i < zones_.size(); ++i)
        byId.emplace(zones_[i].Id, i);
    enum : uint8_t { unseen, onPath, done };
    std::vector<uint8_t> state(zones_.size(), unseen);
    for (size_t start = 0; start < zones_.size(); ++start) {
        std::vector<size_t> path;
        size_t i = start;
        for (;;) {
            if (state[i] == done)
                break;
            if (state[i] == onPath)
                throw EKestError("Settings file \"" + settings_.FileName() + "\", section \"Zones\": zone "
                    + std::to_string(zones_[i].Id) + " \"" + zones_[i].Name
                    + "\" is inside itself through its parents");
            state[i] = onPath;
            path.push_back(i);
            const auto parent = byId.find(zones_[i].ParentId);
            if (parent == byId.end())
                break;
            i = parent->second;
        }
        for (size_t visited : path)
            state[visited] = done;
    }
}

void TdmMain::StartSimulation()
{
    random_.SetSeed(777);
    const double now = clock_.Now();
    if (TZoneRec* home = FindZone(ResidentZoneId)) {
        int32_t placed = 0;
        for (int round = 0; round < 2 && !persons_.empty(); ++round) {
            const size_t count = persons_.size();
            const size_t start = size_t(Round(random_.Random() * double(count - 1)));
            // One full round at most: with fewer than two persons the second
            // search finds nobody.
            for (size_t step = 0; step < count; ++step) {
                TPersonRec& person = persons_[(start + step) % count];
                if (person.Role != 0)
                    continue;
                person.Role = 1;
                person.ZoneId = ResidentZoneId;
                person.Moving = false;
                ++placed;
                break;
            }
        }
        home->Count = placed;
    }
    for (TPersonRec& person : persons_) {
        if (person.Role != 0)
            continue;
        person.Role = 2;
        person.Moving = false;
        person.NextTime = now + Seconds(Round(random_.Random() * 20) + 5);
    }
    random_.Randomize(clock_.Now());
}

int TdmMain::FindPerson(int32_t id) const
{
    for (size_t i = 0; i < persons_.size(); ++i)
        if (persons_[i].Id == id)
            return int(i);
    return -1;
}

int TdmMain::FindZoneIndex(int32_t id) const
{
    for (size_t i = 0; i < zones_.size(); ++i)
        if (zones_[i].Id == id)
            return int(i);
    return -1;
}

TZoneRec* TdmMain::FindZone(int32_t id)
{
    const int index = FindZoneIndex(id);
    return index < 0 ? nullptr : &zones_[index];
}

int TdmMain::FindPass(int32_t id) const
{
    for (size_t i = 0; i < passes_.size(); ++i)
        if (passes_[i].Id == id)
            return int(i);
    return -1;
}

void TdmMain::AddEvent(const std::string& text, int32_t passId, int32_t personId)
{
    if (events_.size() >= MaxEvents) {
        TEventRec& first = events_.front();
        first.PersonId = 0;
        first.PassId = 0;
        first.Text = "System online (old events deleted)";
        events_.erase(events_.begin() + 1, events_.begin() + 1 + TrimmedEvents);
    }
    events_.push_back({clock_.Now(), personId, passId, CutText(text, EventTextLength)});
    if (OnEvent)
        OnEvent(this);
}

void TdmMain::MovementTick()
{
    const double now = clock_.Now();
    for (size_t i = 0; i < persons_.size(); ++i) {
        TPersonRec& person = persons_[i];
        if (person.Role != 2 || person.NextTime == 0 || person.NextTime > now)
            continue;
        if (!person.Moving) {
            if (offices_.empty())
                continue;
            const size_t office = size_t(Round(random_.Random() * double(offices_.size() - 1)));
            person.TargetZoneId = zones_[offices_[office]].Id;
        }
        StepPerson(i, now);
        if (!person.Moving)
            person.NextTime = now + Seconds(Round(random_.Random() * 300));
    }
}

std::vector<TZoneRec*> TdmMain::ZoneChain(TZoneRec* zone)
{
    std::vector<TZoneRec*> chain;
    for (; zone; zone = FindZone(zone->ParentId))
        chain.push_back(zone);
    return chain;
}

void TdmMain::StepPerson(size_t index, double now)
{
    TPersonRec& person = persons_[index];
    TZoneRec* cur = FindZone(person.ZoneId);
    TZoneRec* tgt = FindZone(person.TargetZoneId);
    if (person.ZoneId == person.TargetZoneId) {
        person.Moving = false;
        person.TargetZoneId = 0;
        return;
    }
    const std::vector<TZoneRec*> curChain = ZoneChain(cur);
    const std::vector<TZoneRec*> tgtChain = ZoneChain(tgt);
    int k = -1;
    for (size_t i = 0; cur && i < tgtChain.size(); ++i)
        if (tgtChain[i] == cur) {
            k = int(i);
            break;
        }
    if (k >= 1)
        PassToZone(index, tgtChain[k - 1], now);
    else if (curChain.size() >= 2)
        PassToZone(index, curChain[1], now);
    else if (!tgtChain.empty())
        PassToZone(index, tgtChain.back(), now);
    else if (person.TargetZoneId != 0) {
        person.Moving = false;
        person.TargetZoneId = 0;
    } else
        PassToZone(index, nullptr, now);
}

void TdmMain::PassToZone(size_t index, TZoneRec* next, double now)
{
    TPersonRec& person = persons_[index];
    TZoneRec* cur = FindZone(person.ZoneId);
    const int32_t fromId = cur ? cur->Id : 0;
    const int32_t toId = next ? next->Id : 0;
    const TPassRec* pass = nullptr;
    for (const TPassRec& candidate : passes_)
        if (candidate.ZoneFrom == fromId && candidate.ZoneTo == toId) {
            pass = &candidate;
            break;
        }
    if (!pass) {
        AddEvent(person.FirstName + " " + person.LastName + " can't find door from " + (cur ? cur->Name : "[outside]")
                + " to " + (next ? next->Name : "[outside]"),
            0, person.Id);
        return;
    }
    if (!doors_ || !doors_->DoorPass(pass->Id, person.Id, true))
        return;
    if (cur)
        --cur->Count;
    if (next)
        ++next->Count;
    person.ZoneId = toId;
    if (next) {
        person.TimeEnter = now;
        person.TimeLeave = 0;
    } else {
        person.TimeEnter = 0;
        if (cur)
            person.TimeLeave = now;
    }
    if (person.ZoneId == person.TargetZoneId) {
        person.Moving = false;
        person.TargetZoneId = 0;
    } else {
        person.Moving = true;
        person.NextTime = now + Seconds(Round(random_.Random() * 10) + 5);
    }
    if (OnPersonMoved)
        OnPersonMoved(this);
}

} // namespace doravo
