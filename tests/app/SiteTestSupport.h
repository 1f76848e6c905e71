// Helpers for the station's tests: a scratch folder, settings files built
// from site records, and door operations that open every door at once.
#pragma once

#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dMain.h"

namespace doravo::testing {

struct TScratch {
    QTemporaryDir dir;
    std::string Path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }
};

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The three site sections of a settings file.
struct TSiteText {
    std::vector<std::string> persons, zones, passes;

    void Person(int32_t id, const std::string& last, const std::string& first)
    {
        persons.push_back(std::to_string(id) + ";" + last + ";" + first);
    }
    void Zone(int32_t id, int32_t parent, const std::string& name)
    {
        zones.push_back(std::to_string(id) + ";" + std::to_string(parent) + ";" + name);
    }
    void Pass(int32_t id, int32_t from, int32_t to) { passes.push_back(PassText(id, from, to)); }
    // Passes both ways between two zones: ids id (from -> to) and id + 1.
    void Door(int32_t id, int32_t from, int32_t to)
    {
        Pass(id, from, to);
        Pass(id + 1, to, from);
    }
    static std::string PassText(int32_t id, int32_t from, int32_t to)
    {
        return std::to_string(id) + ";" + std::to_string(from) + ";" + std::to_string(to) + ";Pass "
            + std::to_string(id);
    }

    std::string Text() const
    {
        std::string text;
        auto section = [&text](const char* name, const std::vector<std::string>& items) {
            text += std::string("[") + name + "]\nCount=" + std::to_string(items.size()) + "\n";
            for (size_t i = 0; i < items.size(); ++i)
                text += "Item" + std::to_string(i) + "=" + items[i] + "\n";
        };
        section("Personnel", persons);
        section("Zones", zones);
        section("Passes", passes);
        return text;
    }
};

// Every door opens at once and journals like the plan's doors do.
class TOpenDoors : public TDoorOperations {
public:
    explicit TOpenDoors(TdmMain& module)
        : module_(module)
    {
        module.SetDoorOperations(this);
    }
    ~TOpenDoors() override { module_.SetDoorOperations(nullptr); }

    bool DoorPass(int32_t passId, int32_t actor, bool open) override
    {
        calls.push_back({passId, actor, open});
        if (refuse)
            return false;
        const int person = module_.FindPerson(actor);
        const std::string who = person < 0
            ? std::string("<unknown>")
            : module_.Persons()[person].FirstName + " " + module_.Persons()[person].LastName;
        module_.AddEvent("Door " + std::to_string(passId) + " opened by " + who, passId, actor);
        return true;
    }

    struct TCall {
        int32_t passId, actor;
        bool open;
    };
    std::vector<TCall> calls;
    bool refuse = false;

private:
    TdmMain& module_;
};

} // namespace doravo::testing
