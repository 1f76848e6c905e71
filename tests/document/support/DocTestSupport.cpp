#include "DocTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "KestCanvas.h"

namespace kest::doctest {

KEST_CONTROL_CLASS_IMPL(TBox, TKestControl)

void TBox::CreateProperties()
{
    TKestControl::CreateProperties();
    colorProp_ = Props().Add<TIntProp>("Color");
    colorProp_->SetValue(clRed);
}

void TBox::ControlCreate()
{
    TKestControl::ControlCreate();
    SetVisible(true);
}

void TBox::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestControl::PropStored(sender, prop, subName, stored);
    if (prop == colorProp_)
        stored = Color() != clRed;
}

void TBox::Paint(TKestCanvas& canvas, const TKestRect& paintRect)
{
    TKestBrush brush;
    brush.Color = Color();
    canvas.SetBrush(brush);
    canvas.FillRect(paintRect);
}

KEST_CONTROL_CLASS_IMPL(TPolyBox, TBox)

void TPolyBox::CreateProperties()
{
    TBox::CreateProperties();
    pointsProp_ = Props().Add<TStrListProp>("Points");
}

int TPolyBox::PointCount() const
{
    return pointsProp_->Count();
}

TKestPoint TPolyBox::Point(int index) const
{
    TPointArray points;
    TPointTypeArray types;
    GetPathPoints(points, types);
    return points.at(static_cast<size_t>(index));
}

void TPolyBox::SetPoint(int index, TKestPoint point)
{
    TPointArray points;
    TPointTypeArray types;
    GetPathPoints(points, types);
    points.at(static_cast<size_t>(index)) = point;
    SetPathPoints(points, types);
}

TPointType TPolyBox::PointType(int index) const
{
    TPointArray points;
    TPointTypeArray types;
    GetPathPoints(points, types);
    return types.at(static_cast<size_t>(index));
}

void TPolyBox::GetPathPoints(TPointArray& points, TPointTypeArray& types) const
{
    points.clear();
    types.clear();
    for (const std::string& line : pointsProp_->Strings()) {
        int x = 0, y = 0, t = 0;
        char c1 = 0, c2 = 0;
        std::istringstream in(line);
        in >> x >> c1 >> y >> c2 >> t;
        points.push_back({x, y});
        types.push_back(static_cast<TPointType>(t));
    }
}

void TPolyBox::SetPathPoints(const TPointArray& points, const TPointTypeArray& types)
{
    TStrings lines;
    for (size_t i = 0; i < points.size(); ++i)
        lines.push_back(std::to_string(points[i].X) + "," + std::to_string(points[i].Y) + ","
            + std::to_string(i < types.size() ? int(types[i]) : 0));
    if (lines != pointsProp_->Strings())
        pointsProp_->SetStrings(lines);
}

KEST_CONTROL_CLASS_IMPL(TLine, TBox)

KEST_CONTROL_CLASS_IMPL(TAnchored, TBox)

void TAnchored::CreateProperties()
{
    TBox::CreateProperties();
    anchorProp_ = Props().Add<TLinkPointProp>("Anchor", &Props());
    anchorProp_->OnLinkNotify = [this](TLinkProp*, TNotifyLinkInfo& info) { notices_.push_back(info); };
}

int TAnchored::Notices(int32_t code) const
{
    int count = 0;
    for (const TNotifyLinkInfo& info : notices_)
        count += info.Code == code;
    return count;
}

int TAnchored::ControlNotices(TKestNotify notify) const
{
    int count = 0;
    for (const TNotifyLinkInfo& info : notices_)
        count += info.Code == ncCustom && info.Param1 == notify;
    return count;
}

void RegisterTestControls()
{
    RegisterControlClasses(
        {TBox::StaticClass(), TPolyBox::StaticClass(), TLine::StaticClass(), TAnchored::StaticClass()});
}

std::string SaveText(TKestPanel& panel, bool binary)
{
    TKestMemoryStream stream;
    const bool saved = panel.SaveAsBinary();
    panel.SetSaveAsBinary(binary);
    {
        std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppSave, binary);
        panel.SaveToFiler(*filer);
    }
    panel.SetSaveAsBinary(saved);
    return stream.Text();
}

std::string SaveClipboardText(TKestPanel& panel)
{
    TKestMemoryStream stream;
    {
        std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppSave, false);
        panel.SaveToFiler(*filer, true);
    }
    return stream.Text();
}

void LoadText(TKestPanel& panel, const std::string& text, TKestLoadMode mode)
{
    TKestMemoryStream stream(text.data(), text.size());
    std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppLoad, false);
    panel.LoadFromFiler(*filer, mode);
}

std::string ReadDataFile(const std::string& name)
{
    const char* dir = std::getenv("KEST_TEST_DATA");
    const std::string path = std::string(dir ? dir : "tests/data") + "/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open test data " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TNotifyLog::TNotifyLog(TKestPanel& panel)
{
    panel.OnNotify = [this](TKestPanel*, TKestControl* control, TKestNotify notify) {
        Entries.push_back({control, notify});
    };
}

int TNotifyLog::Count(TKestNotify notify, const TKestControl* control) const
{
    int count = 0;
    for (const TEntry& e : Entries)
        if (e.Notify == notify && (!control || e.Control == control))
            ++count;
    return count;
}

int TNotifyLog::IndexOf(TKestNotify notify, const TKestControl* control) const
{
    for (size_t i = 0; i < Entries.size(); ++i)
        if (Entries[i].Notify == notify && (!control || Entries[i].Control == control))
            return static_cast<int>(i);
    return -1;
}

TPanelFixture::TPanelFixture()
{
    RegisterTestControls();
}

TBox* TPanelFixture::AddBox(const TKestRect& rect, TKestControl* parent)
{
    TBox* box = TKestControl::Create<TBox>(&panel, parent ? parent : Scheme(), Layer());
    box->SetDocRect(rect);
    return box;
}

} // namespace kest::doctest
