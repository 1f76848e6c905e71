// Undo records of property changes: actions that name their source by the
// identifier of its object (and a name) rather than by reference, so that
// they survive the object being destroyed and created again.
#pragma once

#include <cstdint>
#include <string>

#include "KestHistory.h"

namespace kest {

class TIdHistoryAction : public THistoryStreamAction {
public:
    static const TKestClass* StaticClass();
    const TKestClass* ClassType() const override { return StaticClass(); }

    using THistoryStreamAction::THistoryStreamAction;

    int32_t SourceId() const { return sourceId_; }
    void SetSourceId(int32_t value) { sourceId_ = value; }
    const std::string& SourceName() const { return sourceName_; }
    void SetSourceName(std::string value) { sourceName_ = std::move(value); }

    // An action without a source identifier cannot find its source again,
    // so it stays idle and the history drops it.
    void BeginRecord(TKestObject* source) override;

private:
    int32_t sourceId_ = 0;
    std::string sourceName_;
};

// Records one property: its text, saved forced and without indent. The
// source identifier is the owner list's (OnGetOwnerId) unless the history
// set one already; the name is the property's name in its list.
class TPropHistoryAction : public TIdHistoryAction {
    KEST_ACTION_CLASS(TPropHistoryAction)
public:
    using TIdHistoryAction::TIdHistoryAction;

    void BeginRecord(TKestObject* source) override;
    // Within one group the first recording of a property covers later ones.
    bool IsSameAction(const THistoryActionClass* cls, TKestObject* source) override;
    void ProcessSource(TKestStream& stream, TKestObject* source, bool restore) override;
};

// A group of property changes that leaves no trace when closed empty.
class TPropHistoryGroup : public THistoryGroup {
    KEST_ACTION_CLASS(TPropHistoryGroup)
public:
    TPropHistoryGroup(THistory& owner, THistoryGroup* parent);
};

// Registers the action classes above with the history (once); every
// property list does so when created.
void RegisterPropHistoryActions();

} // namespace kest
