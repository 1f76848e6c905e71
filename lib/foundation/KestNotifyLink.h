// TNotifyLink: two-sided notification links between objects, with
// destruction notices so that no partner keeps a dangling entry.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "KestClass.h"

namespace kest {

class TNotifyLink;

enum TNotifyCode : int32_t {
    ncDestroy = 1,
    ncPropBefore = 2,
    ncPropChanged = 3,
    ncCustom = 4,
};

struct TNotifyLinkInfo {
    int32_t Code = 0;
    intptr_t Param1 = 0;  // the property for codes 2 and 3; sender-defined for 4
    intptr_t Param2 = 0;
};

using TNotifyLinkEvent = std::function<void(TNotifyLink* sender, TNotifyLink* source, TNotifyLinkInfo& info)>;

class TNotifyLink {
public:
    // Throws EKestError("Owner must exist") when owner is null.
    explicit TNotifyLink(TKestObject* owner);
    ~TNotifyLink();
    TNotifyLink(const TNotifyLink&) = delete;
    TNotifyLink& operator=(const TNotifyLink&) = delete;

    TKestObject* Owner() const { return owner_; }
    bool Destroying() const { return destroying_; }

    int LinkTo(TNotifyLink* partner);
    int Unlink(TNotifyLink* partner);
    int Notify(TNotifyLinkInfo& info);
    int NotifyProp(TKestObject* prop, bool before);
    int NotifyCustom(intptr_t p1, intptr_t p2);
    // Sends the destruction notices; safe to call more than once.
    void DestroyNotify();

    // Count of open LinkTo calls towards partner (0: only a back-reference, -1: not listed).
    int LinkCount(const TNotifyLink* partner) const;
    int PartnerCount() const { return static_cast<int>(links_.size()); }

    TNotifyLinkEvent OnNotify;
    TNotifyLinkEvent OnFreeNotify;

private:
    struct TEntry {
        int Count;
        TNotifyLink* Partner;
    };
    int IndexOf(const TNotifyLink* partner) const;
    void RemoveEntry(const TNotifyLink* partner);

    std::vector<TEntry> links_;
    TKestObject* owner_;
    bool destroying_ = false;
};

}  // namespace kest
