#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KestError.h"
#include "KestNotifyLink.h"

namespace kest {
namespace {

// A link whose owner records every notice it receives as "receiver<-source:code".
class Node : public TKestObject {
public:
    Node(std::string name, std::vector<std::string>* log)
        : name_(std::move(name))
        , log_(log)
    {
        link.OnNotify = [this](TNotifyLink* sender, TNotifyLink* source, TNotifyLinkInfo& info) {
            EXPECT_EQ(sender, &link);
            Record(source, info);
        };
        link.OnFreeNotify = [this](TNotifyLink* sender, TNotifyLink* source, TNotifyLinkInfo& info) {
            EXPECT_EQ(sender, &link);
            EXPECT_EQ(info.Code, ncDestroy);
            Record(source, info);
        };
    }
    void Record(TNotifyLink* source, const TNotifyLinkInfo& info)
    {
        std::string from = source ? static_cast<Node*>(source->Owner())->name_ : "none";
        log_->push_back(name_ + "<-" + from + ":" + std::to_string(info.Code));
    }

private:
    std::string name_;
    std::vector<std::string>* log_;

public:
    TNotifyLink link {this};
};

class NotifyLinkTest : public ::testing::Test {
protected:
    std::unique_ptr<Node> Make(const std::string& name) { return std::make_unique<Node>(name, &log); }
    std::vector<std::string> log;
};

TEST_F(NotifyLinkTest, RefusesMissingOwner)
{
    try {
        TNotifyLink link(nullptr);
        FAIL() << "constructed without owner";
    } catch (const EKestError& e) {
        EXPECT_STREQ(e.what(), "Owner must exist");
    }
}

TEST_F(NotifyLinkTest, LinkCountsUpAndUnlinkRemovesBothEntriesAtZero)
{
    auto a = Make("A"), b = Make("B");
    EXPECT_EQ(a->link.LinkTo(&b->link), 1);
    EXPECT_EQ(a->link.LinkTo(&b->link), 2);
    EXPECT_EQ(a->link.LinkCount(&b->link), 2);
    EXPECT_EQ(b->link.LinkCount(&a->link), 0) << "back-reference";
    EXPECT_EQ(a->link.NotifyCustom(7, 8), 1);
    EXPECT_EQ(b->link.NotifyCustom(7, 8), 0) << "a back-reference sends nothing";

    EXPECT_EQ(a->link.Unlink(&b->link), 1);
    EXPECT_EQ(a->link.NotifyCustom(1, 2), 1);
    EXPECT_EQ(log, (std::vector<std::string> {"B<-A:4", "B<-A:4"}));

    EXPECT_EQ(a->link.Unlink(&b->link), 0);
    EXPECT_EQ(a->link.LinkCount(&b->link), -1);
    EXPECT_EQ(b->link.LinkCount(&a->link), -1);
    EXPECT_EQ(a->link.PartnerCount() + b->link.PartnerCount(), 0);
    EXPECT_EQ(a->link.Unlink(&b->link), -1);
    EXPECT_EQ(b->link.Unlink(&a->link), -1) << "a back-reference is not a link";
}

TEST_F(NotifyLinkTest, MutualLinksKeepTheBackReferenceWhileThePartnerStillSends)
{
    auto a = Make("A"), b = Make("B");
    a->link.LinkTo(&b->link);
    b->link.LinkTo(&a->link);
    EXPECT_EQ(a->link.PartnerCount(), 1);
    EXPECT_EQ(a->link.Unlink(&b->link), 0);
    EXPECT_EQ(a->link.LinkCount(&b->link), 0) << "kept: B still sends to A";
    EXPECT_EQ(a->link.NotifyCustom(0, 0), 0);
    EXPECT_EQ(b->link.NotifyCustom(0, 0), 1);
    EXPECT_EQ(b->link.Unlink(&a->link), 0);
    EXPECT_EQ(a->link.PartnerCount() + b->link.PartnerCount(), 0);
}

TEST_F(NotifyLinkTest, RefusesNoPartnerAndItself)
{
    auto a = Make("A");
    EXPECT_EQ(a->link.LinkTo(nullptr), -1);
    EXPECT_EQ(a->link.LinkTo(&a->link), -1);
    EXPECT_EQ(a->link.Unlink(nullptr), -1);
    EXPECT_EQ(a->link.PartnerCount(), 0);
}

TEST_F(NotifyLinkTest, NoticesCarryCodeAndParametersAndSkipPartnersWithoutHandler)
{
    auto a = Make("A"), b = Make("B"), c = Make("C");
    a->link.LinkTo(&b->link);
    a->link.LinkTo(&c->link);
    c->link.OnNotify = nullptr;
    std::vector<TNotifyLinkInfo> seen;
    b->link.OnNotify = [&](TNotifyLink*, TNotifyLink* source, TNotifyLinkInfo& info) {
        EXPECT_EQ(source, &a->link);
        seen.push_back(info);
    };
    TKestObject prop;
    EXPECT_EQ(a->link.NotifyProp(&prop, true), 1);
    EXPECT_EQ(a->link.NotifyProp(&prop, false), 1);
    EXPECT_EQ(a->link.NotifyCustom(-5, 9), 1);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].Code, ncPropBefore);
    EXPECT_EQ(seen[0].Param1, reinterpret_cast<intptr_t>(&prop));
    EXPECT_EQ(seen[1].Code, ncPropChanged);
    EXPECT_EQ(seen[1].Param1, reinterpret_cast<intptr_t>(&prop));
    EXPECT_EQ(seen[2].Code, ncCustom);
    EXPECT_EQ(seen[2].Param1, -5);
    EXPECT_EQ(seen[2].Param2, 9);
}

TEST_F(NotifyLinkTest, DestroyingTheReceiverTellsTheSenderAndLeavesNoEntry)
{
    auto a = Make("A"), b = Make("B");
    a->link.LinkTo(&b->link);
    a->link.LinkTo(&b->link);
    b.reset();
    EXPECT_EQ(log, (std::vector<std::string> {"B<-none:1", "A<-B:1"}));
    EXPECT_EQ(a->link.PartnerCount(), 0);
    EXPECT_EQ(a->link.NotifyCustom(0, 0), 0);
}

TEST_F(NotifyLinkTest, DestroyingTheSenderTellsItsPartnersFromTheLast)
{
    auto a = Make("A"), b = Make("B"), c = Make("C"), d = Make("D");
    a->link.LinkTo(&b->link);
    a->link.LinkTo(&c->link);
    d->link.LinkTo(&a->link);
    a->link.DestroyNotify();
    EXPECT_EQ(log, (std::vector<std::string> {"A<-none:1", "D<-A:1", "C<-A:1", "B<-A:1"}));
    EXPECT_EQ(b->link.PartnerCount() + c->link.PartnerCount() + d->link.PartnerCount(), 0);

    log.clear();
    a->link.DestroyNotify();
    EXPECT_TRUE(log.empty()) << "destruction notices go out once";
    EXPECT_TRUE(a->link.Destroying());
    EXPECT_EQ(a->link.LinkTo(&b->link), -1);
    EXPECT_EQ(b->link.LinkTo(&a->link), -1) << "a dying partner cannot be linked";
    EXPECT_EQ(a->link.Unlink(&b->link), -1);
    EXPECT_EQ(a->link.NotifyCustom(0, 0), 0);
    EXPECT_EQ(b->link.PartnerCount(), 0);
}

TEST_F(NotifyLinkTest, NotifySkipsAPartnerThatIsBeingDestroyed)
{
    auto a = Make("A"), b = Make("B");
    a->link.LinkTo(&b->link);
    int toldDuringDestruction = -1;
    b->link.OnFreeNotify = [&](TNotifyLink*, TNotifyLink* source, TNotifyLinkInfo&) {
        if (!source)
            toldDuringDestruction = a->link.NotifyCustom(0, 0);
    };
    b.reset();
    EXPECT_EQ(toldDuringDestruction, 0);
    EXPECT_EQ(log, (std::vector<std::string> {"A<-B:1"})) << "B heard nothing while dying";
}

TEST_F(NotifyLinkTest, HandlersMayUnlinkOrDestroyOtherPartnersDuringNotify)
{
    auto a = Make("A"), b = Make("B"), c = Make("C"), d = Make("D"), e = Make("E");
    for (Node* n : {b.get(), c.get(), d.get(), e.get()})
        a->link.LinkTo(&n->link);
    auto late = Make("L");
    b->link.OnNotify = [&](TNotifyLink*, TNotifyLink* source, TNotifyLinkInfo& info) {
        b->Record(source, info);
        source->Unlink(&c->link); // C not told any more
        d.reset(); // D destroyed before its turn
        a->link.LinkTo(&late->link); // joins after this round
    };
    EXPECT_EQ(a->link.NotifyCustom(0, 0), 2);
    EXPECT_EQ(log, (std::vector<std::string> {"B<-A:4", "D<-none:1", "A<-D:1", "E<-A:4"}));

    log.clear();
    b->link.OnNotify = nullptr;
    EXPECT_EQ(a->link.NotifyCustom(0, 0), 2);
    EXPECT_EQ(log, (std::vector<std::string> {"E<-A:4", "L<-A:4"}));
}

TEST_F(NotifyLinkTest, AHandlerMayDestroyTheSenderOrItself)
{
    auto a = Make("A"), b = Make("B"), c = Make("C");
    a->link.LinkTo(&b->link);
    a->link.LinkTo(&c->link);
    b->link.OnNotify = [&](TNotifyLink*, TNotifyLink*, TNotifyLinkInfo&) { b.reset(); };
    EXPECT_EQ(a->link.NotifyCustom(0, 0), 2);
    EXPECT_EQ(a->link.PartnerCount(), 1);

    c->link.OnNotify = [&](TNotifyLink*, TNotifyLink*, TNotifyLinkInfo&) { a.reset(); };
    auto d = Make("D");
    ASSERT_EQ(d->link.LinkTo(&a->link), 1);
    EXPECT_EQ(a->link.NotifyCustom(0, 0), 1);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(c->link.PartnerCount() + d->link.PartnerCount(), 0);
}

TEST_F(NotifyLinkTest, DestructionNoticesSurviveHandlersThatDestroyOrUnlinkPartners)
{
    auto a = Make("A"), b = Make("B"), c = Make("C"), d = Make("D");
    a->link.LinkTo(&b->link);
    a->link.LinkTo(&c->link);
    a->link.LinkTo(&d->link);
    d->link.OnFreeNotify = [&](TNotifyLink*, TNotifyLink* source, TNotifyLinkInfo& info) {
        d->Record(source, info);
        if (source)
            c.reset(); // C dies while A is still telling its partners
    };
    b->link.OnFreeNotify = [&](TNotifyLink*, TNotifyLink* source, TNotifyLinkInfo& info) {
        b->Record(source, info);
        a.reset(); // the dying link's owner goes away from inside the walk
    };
    a->link.DestroyNotify();
    EXPECT_EQ(log, (std::vector<std::string> {"A<-none:1", "D<-A:1", "C<-none:1", "B<-A:1"}));
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b->link.PartnerCount() + d->link.PartnerCount(), 0);
}

} // namespace
} // namespace kest
