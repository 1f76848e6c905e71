#include "KestNotifyLink.h"

#include "KestError.h"

namespace kest {

namespace {

// Walks over a link's partners that are still running further up the stack.
// A callback may destroy the very link being walked; its destructor marks the
// walk dead so that the loop stops without touching the freed link.
struct TWalk {
    const TNotifyLink* link;
    bool alive;
};

thread_local std::vector<TWalk*> activeWalks;

class TWalkScope {
public:
    explicit TWalkScope(const TNotifyLink* link)
        : walk_ {link, true}
    {
        activeWalks.push_back(&walk_);
    }
    ~TWalkScope() { activeWalks.pop_back(); }
    TWalkScope(const TWalkScope&) = delete;
    TWalkScope& operator=(const TWalkScope&) = delete;
    bool Alive() const { return walk_.alive; }

private:
    TWalk walk_;
};

void EndWalks(const TNotifyLink* link)
{
    for (TWalk* walk : activeWalks)
        if (walk->link == link)
            walk->alive = false;
}

} // namespace

TNotifyLink::TNotifyLink(TKestObject* owner)
    : owner_(owner)
{
    if (!owner)
        throw EKestError("Owner must exist");
}

TNotifyLink::~TNotifyLink()
{
    DestroyNotify();
    EndWalks(this);
}

int TNotifyLink::IndexOf(const TNotifyLink* partner) const
{
    for (size_t i = 0; i < links_.size(); ++i)
        if (links_[i].Partner == partner)
            return static_cast<int>(i);
    return -1;
}

void TNotifyLink::RemoveEntry(const TNotifyLink* partner)
{
    int i = IndexOf(partner);
    if (i >= 0)
        links_.erase(links_.begin() + i);
}

int TNotifyLink::LinkCount(const TNotifyLink* partner) const
{
    int i = IndexOf(partner);
    return i < 0 ? -1 : links_[i].Count;
}

int TNotifyLink::LinkTo(TNotifyLink* partner)
{
    // A dying partner would keep an entry for a link it can no longer tell
    // about its end; a link to itself would be told of its own destruction twice.
    if (!partner || partner == this || destroying_ || partner->destroying_)
        return -1;
    int i = IndexOf(partner);
    if (i >= 0)
        return ++links_[i].Count;
    links_.push_back({1, partner});
    if (partner->IndexOf(this) < 0)
        partner->links_.push_back({0, this});
    return 1;
}

int TNotifyLink::Unlink(TNotifyLink* partner)
{
    if (destroying_)
        return -1;
    int i = IndexOf(partner);
    if (i < 0 || links_[i].Count == 0)
        return -1;
    int count = --links_[i].Count;
    if (count == 0 && partner->LinkCount(this) <= 0) {
        links_.erase(links_.begin() + i);
        partner->RemoveEntry(this);
    }
    return count;
}

int TNotifyLink::Notify(TNotifyLinkInfo& info)
{
    if (destroying_)
        return 0;
    // Handlers may unlink or destroy partners (or this link) while we walk, so
    // walk a snapshot and check each partner is still linked before telling it.
    std::vector<TNotifyLink*> targets;
    for (const TEntry& entry : links_)
        if (entry.Count >= 1)
            targets.push_back(entry.Partner);
    TWalkScope walk(this);
    int told = 0;
    for (TNotifyLink* partner : targets) {
        if (LinkCount(partner) < 1 || !partner->OnNotify || partner->destroying_)
            continue;
        ++told;
        partner->OnNotify(partner, this, info);
        if (!walk.Alive() || destroying_)
            break;
    }
    return told;
}

int TNotifyLink::NotifyProp(TKestObject* prop, bool before)
{
    TNotifyLinkInfo info {before ? ncPropBefore : ncPropChanged, reinterpret_cast<intptr_t>(prop), 0};
    return Notify(info);
}

int TNotifyLink::NotifyCustom(intptr_t p1, intptr_t p2)
{
    TNotifyLinkInfo info {ncCustom, p1, p2};
    return Notify(info);
}

void TNotifyLink::DestroyNotify()
{
    if (destroying_)
        return;
    destroying_ = true;
    TWalkScope walk(this);
    if (OnFreeNotify) {
        TNotifyLinkInfo info {ncDestroy, 0, 0};
        OnFreeNotify(this, nullptr, info);
        if (!walk.Alive())
            return;
    }
    // Each entry is taken out on both sides before the partner hears of it, so
    // whatever its handler does, it never meets this link again.
    while (!links_.empty()) {
        TNotifyLink* partner = links_.back().Partner;
        links_.pop_back();
        if (partner->IndexOf(this) < 0)
            continue;
        partner->RemoveEntry(this);
        if (!partner->OnFreeNotify || partner->destroying_)
            continue;
        TNotifyLinkInfo info {ncDestroy, 0, 0};
        partner->OnFreeNotify(partner, this, info);
        if (!walk.Alive())
            return;
    }
}

} // namespace kest
