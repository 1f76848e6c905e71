#include "KestCards.h"

#include <QImage>
#include <algorithm>

#include "KestBasePanel.h"
#include "KestControls.h"
#include "KestError.h"
#include "KestGraphic.h"
#include "KestGraphicProps.h"
#include "KestStream.h"
#include "dMain.h"
#include "fPersCard.h"

namespace doravo {

using kest::TKestControl;

namespace {

template <class T> T* PropOf(TKestControl* control, const char* name)
{
    return control ? dynamic_cast<T*>(control->Props().PropByName(name)) : nullptr;
}

void SetText(TKestControl* parent, const char* name, const std::string& text)
{
    if (auto* child = dynamic_cast<kest::TKestText*>(parent->FindByName(name)))
        child->SetText(text);
}

bool ReadInt(const std::string& text, int32_t& value)
{
    try {
        size_t used = 0;
        const long long v = std::stoll(text, &used, 10);
        if (used != text.size() || v < INT32_MIN || v > INT32_MAX)
            return false;
        value = int32_t(v);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

TKestCard::TKestCard(TKestCards& list, int32_t passId, int32_t personId, TKestDoor* door, bool alarm)
    : list_(list)
{
    if (!door)
        throw kest::EKestError("Error card create");
    passId_ = passId;
    personId_ = personId;
    alarm_ = alarm;
    door_ = door;
    CreateControl();
    PlaceControl();
    RefreshContent();
    list_.cards_.push_back(this);
}

TKestCard::~TKestCard()
{
    std::erase(list_.cards_, this);
    if (control_)
        control_->Free();
}

void TKestCard::CreateControl()
{
    kest::TKestPanel* panel = door_->Owner();
    kest::TKestCustomScheme* scheme = door_->ParentScheme();
    if (!panel || !scheme)
        return;
    TKestControl* cardTemplate = panel->FindControlByName("Card");
    auto* layer = dynamic_cast<kest::TKestLayer*>(panel->FindControlByName("Cards", panel->Layers()));
    if (!cardTemplate || cardTemplate->Name() != "Card" || !layer)
        return;
    kest::TKestMemoryStream stream;
    {
        auto filer = panel->CreateFiler(stream, kest::ppSave, false);
        cardTemplate->SaveToFiler(*filer, "");
    }
    stream.Seek(0);
    auto filer = panel->CreateFiler(stream, kest::ppLoad, false);
    std::string line;
    filer->LoadStrCheck(line);
    control_ = panel->LoadControl(*filer, scheme, line);
    if (!control_)
        return;
    // Copies named like the template would hide it from the next lookup.
    control_->SetName(CopyName);
    control_->ForEach([layer](TKestControl* c) {
        c->SetLayer(layer);
        return true;
    });
}

void TKestCard::PlaceControl()
{
    if (!control_)
        return;
    kest::TStrListProp& data = door_->UserData();
    int32_t left = 0, top = 0;
    if (data.IndexOfName("CardLeft") >= 0) {
        ReadInt(data.GetValueByName("CardLeft"), left);
        ReadInt(data.GetValueByName("CardTop"), top);
        control_->SetLeft(left);
        control_->SetTop(top);
        return;
    }
    control_->SetLeft(door_->Left() + (door_->Width() - control_->Width()) / 2);
    control_->SetTop(door_->Top() - control_->Height() - kest::PixelToDoc(InPlanCardGap));
    StorePosition();
}

void TKestCard::StorePosition()
{
    if (!control_)
        return;
    door_->UserData().SetValueByName("CardLeft", std::to_string(control_->Left()));
    door_->UserData().SetValueByName("CardTop", std::to_string(control_->Top()));
}

void TKestCard::Update(int32_t passId, int32_t personId, bool alarm)
{
    passId_ = passId;
    personId_ = personId;
    alarm_ = alarm;
    RefreshContent();
}

void TKestCard::RefreshContent()
{
    if (!control_)
        return;
    const TCardColors& colors = CardColors(alarm_);
    if (auto* background = dynamic_cast<kest::TKestPicture*>(control_->FindByName("Background"))) {
        QImage tile(1, 2, QImage::Format_RGB32);
        tile.setPixelColor(0, 0, kest::ColorToQColor(colors.Even));
        tile.setPixelColor(0, 1, kest::ColorToQColor(colors.Odd));
        kest::TKestBitmap bitmap;
        bitmap.SetImage(tile);
        background->Picture()->SetGraphic(&bitmap);
    }
    if (auto* brush = PropOf<kest::TBrushProp>(control_->FindByName("Title"), "Brush"))
        brush->SetColor(colors.Title);
    if (auto* pen = PropOf<kest::TPenProp>(control_->FindByName("Frame"), "Pen"))
        pen->SetColor(colors.Frame);
    TdmMain& site = list_.Site();
    const int pass = site.FindPass(passId_);
    SetText(control_, "Caption", pass >= 0 ? site.Passes()[size_t(pass)].Name : "[unknown pass]");
    if (personId_ == 0) {
        SetText(control_, "FirstName", "");
        SetText(control_, "LastName", "OPERATOR");
        SetText(control_, "Id", "");
        return;
    }
    SetText(control_, "Id", std::to_string(personId_));
    const int person = site.FindPerson(personId_);
    SetText(control_, "FirstName", person >= 0 ? site.Persons()[size_t(person)].FirstName : "<unknown>");
    SetText(control_, "LastName", person >= 0 ? site.Persons()[size_t(person)].LastName : "<unknown>");
}

TKestCards::TKestCards(TdmMain& site)
    : site_(site)
{
}

TKestCards::~TKestCards()
{
    RemoveAll();
}

void TKestCards::Show(int32_t passId, int32_t personId, TKestDoor* door, bool alarm)
{
    if (TKestCard* card = Find(door))
        card->Update(passId, personId, alarm);
    else
        new TKestCard(*this, passId, personId, door, alarm); // the list owns it
}

TKestCard* TKestCards::Find(const TKestDoor* door, const TKestControl* control) const
{
    for (TKestCard* card : cards_)
        if (door ? card->Door() == door : card->Control() == control)
            return card;
    return nullptr;
}

void TKestCards::Remove(const TKestDoor* door)
{
    delete Find(door);
}

void TKestCards::RemoveAll()
{
    while (!cards_.empty())
        delete cards_.back();
}

} // namespace doravo
