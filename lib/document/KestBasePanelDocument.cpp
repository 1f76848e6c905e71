// TKestPanel, the document side: the roots, identifiers and names, loading
// and saving, the clipboard, and the notifications controls report.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <algorithm>
#include <charconv>

#include "KestActions.h"
#include "KestBaseLinks.h"
#include "KestBasePanel.h"
#include "KestError.h"

namespace kest {

const char* const KestControlsMimeType = "application/x-kest-controls";

namespace {

// Clearing keeps the buckets, and clearing keeps their full size to wipe on
// every later call: freeing a large document cleared once per control. An
// emptied index gives its buckets back.
void DropIdIndex(std::unordered_map<int32_t, TKestControl*>& index)
{
    if (!index.empty())
        std::unordered_map<int32_t, TKestControl*>().swap(index);
}

bool StartsWith(std::string_view line, std::string_view keyword)
{
    return line.substr(0, keyword.size()) == keyword;
}

// The class name without its "T" or "TKest" prefix.
std::string BaseName(std::string name)
{
    if (name.size() <= 5) {
        if (!name.empty() && name.front() == 'T')
            name.erase(0, 1);
    } else if (StartsWith(name, "TKest")) {
        name.erase(0, 5);
    } else if (name.front() == 'T') {
        name.erase(0, 1);
    }
    return name;
}

int64_t NumberOrZero(std::string_view text)
{
    int32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

int64_t CountControls(TKestControl* control)
{
    int64_t count = 0;
    control->ForEach([&](TKestControl*) {
        ++count;
        return true;
    });
    return count;
}

} // namespace

KEST_CLASS_IMPL(TKestPanel, TKestObject)

TKestPanel::TKestPanel(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    RegisterBaseControlClasses();
    RegisterKestActions();
    history_ = std::make_unique<TKestPanelHistory>(*this);
    history_->SetActive(true);
    history_->DisableRecording();
    // The document root first: its identifier is 1. The layer list and the
    // grid are never saved; they take identifiers at the top of the range,
    // so those of documents stay as they were written.
    schemes_ = TKestControl::Create<TKestSchemes>(this);
    layers_ = TKestControl::Create<TKestLayers>(this);
    layers_->SetID(kLayersId);
    grid_ = TKestControl::Create<TKestGrid>(this);
    grid_->SetID(kGridId);
    grid_->SetGridHorizSize(10000);
    grid_->SetGridVertSize(10000);
    history_->EnableRecording();
    NewDocument();
    InitWindow();
    resize(185, 41);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAcceptDrops(true);
}

TKestPanel::~TKestPanel()
{
    destroying_ = true;
    history_->DisableRecording();
    history_->Clear();
    selected_.clear();
    selectionLevels_.clear();
    activeScheme_ = nullptr;
    activeLayer_ = nullptr;
    FreeDocument();
}

void TKestPanel::FreeDocument()
{
    // Shapes first (they refer to layers), then the layers, the grid, and
    // whatever was left outside the tree.
    schemes_->Free();
    schemes_ = nullptr;
    layers_->Free();
    layers_ = nullptr;
    grid_->Free();
    grid_ = nullptr;
    while (!orphans_.empty())
        orphans_.back()->Free();
}

void TKestPanel::NewDocument()
{
    history_->DisableRecording();
    EmptyDocument();
    if (schemes_->Count() > 0)
        SetActiveScheme(schemes_->ByIndex(0));
    else
        TKestControl::Create<TKestScheme>(this, schemes_);
    if (layers_->Count() > 0)
        SetActiveLayer(layers_->Layers(0));
    else
        layers_->NewLayer();
    history_->EnableRecording();
}

void TKestPanel::EmptyDocument()
{
    history_->DisableRecording();
    history_->Clear();
    UnselectAll();
    SetActiveScheme(nullptr);
    schemes_->ClearChildren();
    SetActiveLayer(nullptr);
    layers_->ClearChildren();
    history_->EnableRecording();
}

// Only a layer of the layer list, or none, can be active.
void TKestPanel::SetActiveLayer(TKestLayer* layer)
{
    if (layer == activeLayer_ || (layer && layer->Parent() != layers_))
        return;
    activeLayer_ = layer;
    DoNotify(nullptr, knLayers);
}

// Only a scheme of the document root, or none, can be active.
void TKestPanel::SetActiveScheme(TKestCustomScheme* scheme)
{
    if (scheme == activeScheme_ || (scheme && scheme->Parent() != schemes_))
        return;
    activeScheme_ = scheme;
    if (!destroying_)
        viewport()->update();
    DoNotify(nullptr, knSchemes);
}

TNotifyLink* TKestPanel::NotifyLink()
{
    if (!notifyLink_)
        notifyLink_ = std::make_unique<TNotifyLink>(this);
    return notifyLink_.get();
}

bool TKestPanel::InDocument(const TKestControl* control) const
{
    if (!control)
        return false;
    const TKestControl* root = control;
    while (root->Parent())
        root = root->Parent();
    return root == schemes_ || root == layers_;
}

void TKestPanel::SetConnectorsMinGap(int32_t value)
{
    if (value == connectorsMinGap_ || value < 1)
        return;
    connectorsMinGap_ = value;
    schemes_->SetConnectorsMinGap(value);
    schemes_->ForEach([](TKestControl* c) {
        if (c->IsConnectorKind())
            c->Reroute();
        return true;
    });
}

// ---------------------------------------------------------------------------
// Orphans, identifiers and names

void TKestPanel::AddOrphan(TKestControl* control)
{
    if (!control || dynamic_cast<TKestSchemes*>(control) || dynamic_cast<TKestLayers*>(control)
        || dynamic_cast<TKestGrid*>(control))
        return;
    if (std::find(orphans_.begin(), orphans_.end(), control) == orphans_.end())
        orphans_.push_back(control);
}

void TKestPanel::RemoveOrphan(TKestControl* control)
{
    auto it = std::find(orphans_.begin(), orphans_.end(), control);
    if (it != orphans_.end())
        orphans_.erase(it);
}

void TKestPanel::ForgetControl(TKestControl* control)
{
    DropIdIndex(idIndex_);
    auto it = std::find(selected_.begin(), selected_.end(), control);
    if (it != selected_.end()) {
        selected_.erase(it);
        RefreshSelection();
    }
    for (TSelectionLevel& level : selectionLevels_)
        level.Controls.erase(std::remove(level.Controls.begin(), level.Controls.end(), control), level.Controls.end());
    if (lastGroup_ == control)
        lastGroup_ = nullptr;
    if (mouseControl_ == control)
        mouseControl_ = nullptr;
    if (mouseSubControl_ == control)
        mouseSubControl_ = nullptr;
    if (editPointControl_ == control) {
        editPointControl_ = nullptr;
        editPointSelection_.clear();
    }
    if (hintControl_ == control)
        hintControl_ = nullptr;
    if (figure_ == control)
        figure_ = nullptr;
}

// The roots hand the active layer and scheme on to a neighbour when one
// leaves them; one that goes away anywhere else is let go of here.
void TKestPanel::ReleaseActive(TKestControl* control)
{
    if (control == activeLayer_)
        activeLayer_ = nullptr;
    if (control == activeScheme_)
        activeScheme_ = nullptr;
}

std::string TKestPanel::GenerateName(TKestControl* control, TKestControl* scope, bool withNumber)
{
    std::string base = BaseName(control->ClassName());
    if (!withNumber || Loading())
        return base;
    std::vector<int64_t> numbers;
    auto collect = [&](TKestControl* c) {
        const std::string name = c->Name();
        if (c != control && StartsWith(name, base)) {
            const int64_t number = NumberOrZero(std::string_view(name).substr(base.size()));
            if (number > 0)
                numbers.push_back(number);
        }
        return true;
    };
    if (scope) {
        scope->ForEach(collect);
    } else {
        schemes_->ForEach(collect);
        layers_->ForEach(collect);
    }
    std::sort(numbers.begin(), numbers.end());
    int64_t number = 1;
    for (int64_t used : numbers) {
        if (used == number)
            ++number;
        else if (used > number)
            break;
    }
    return base + std::to_string(number);
}

void TKestPanel::GenerateId(TKestControl* control)
{
    if (assigningIdControl_ || control->Props().IsReadOnlyProp(control->IdProp()))
        return;
    assigningIdControl_ = control;
    control->SetID(idPool_.NextId());
    assigningIdControl_ = nullptr;
}

bool TKestPanel::ChangeId(TKestControl* control, int32_t oldId)
{
    DropIdIndex(idIndex_);
    if (!control || assigningIdControl_ == control)
        return false;
    const int32_t newId = control->ID();
    if (newId == 0) {
        idPool_.Release(oldId);
        return true;
    }
    if (control->Props().IsReadOnlyProp(control->IdProp())) {
        if (!idPool_.Use(newId))
            return false;
        idPool_.Release(oldId);
        return true;
    }
    // A value in use is refused: the old identifier comes back (a new one
    // when there was none) and no change is reported.
    assigningIdControl_ = control;
    const bool accepted = idPool_.Use(newId);
    int32_t finalId = newId;
    if (accepted) {
        idPool_.Release(oldId);
    } else {
        finalId = oldId != 0 ? oldId : idPool_.NextId();
        control->SetID(finalId);
    }
    if (Loading())
        control->Props().RegisterIdChange(newId, finalId);
    assigningIdControl_ = nullptr;
    return accepted;
}

// The first control of each identifier in the order FindControlById walks.
void TKestPanel::BuildIdIndex()
{
    const auto add = [this](TKestControl* control) {
        idIndex_.emplace(control->ID(), control);
        return true;
    };
    for (TKestControl* root : {static_cast<TKestControl*>(schemes_), static_cast<TKestControl*>(layers_)})
        if (root)
            root->ForEach(add);
    for (TKestControl* orphan : orphans_)
        orphan->ForEach(add);
}

TKestControl* TKestPanel::FindControlById(int32_t id, TKestControl* scope)
{
    if (!idPool_.Used(id))
        return nullptr;
    if (scope)
        return scope->FindById(id);
    if (idIndexEnabled_) {
        if (idIndex_.empty())
            BuildIdIndex();
        // A miss may be a control made since the index was built.
        if (auto it = idIndex_.find(id); it != idIndex_.end())
            return it->second;
    }
    for (TKestControl* root : {static_cast<TKestControl*>(schemes_), static_cast<TKestControl*>(layers_)})
        if (TKestControl* found = root ? root->FindById(id) : nullptr)
            return found;
    for (TKestControl* orphan : orphans_)
        if (TKestControl* found = orphan->FindById(id))
            return found;
    return nullptr;
}

TKestControl* TKestPanel::FindControlByName(std::string_view name, TKestControl* scope)
{
    if (scope)
        return scope->FindByName(name);
    if (TKestControl* found = schemes_->FindByName(name))
        return found;
    return layers_->FindByName(name);
}

// ---------------------------------------------------------------------------
// Notifications

void TKestPanel::DoNotify(TKestControl* control, TKestNotify notify)
{
    ++changeStamp_;
    switch (notify) {
    case knOrder:
    case knLayers:
    case knSchemes:
    case knCreated:
    case knDestroyed:
        modified_ = true;
        break;
    default:
        break;
    }
    if (destroying_)
        return;
    if ((notify == knRect || notify == knPoints) && control && IsSelected(control))
        RefreshSelection();
    else if (notify == knSelection)
        RefreshSelection();
    if (notify == knDestroyed && control)
        ForgetControl(control);
    if (OnNotify && !(control && !InDocument(control) && notify != knDestroyed))
        OnNotify(this, control, notify);
    if (notifyLink_)
        notifyLink_->NotifyCustom(notify, reinterpret_cast<intptr_t>(control));
}

void TKestPanel::PropBeforeChanged(TKestControl* control, TCustomProp* prop)
{
    if (OnPropBeforeChanged && !destroying_)
        OnPropBeforeChanged(control, prop);
}

void TKestPanel::PropChanged(TKestControl* control, TCustomProp* prop)
{
    ++changeStamp_;
    modified_ = true;
    if (OnPropChanged && !destroying_)
        OnPropChanged(control, prop);
}

// ---------------------------------------------------------------------------
// Loading

void TKestPanel::BeginLoading()
{
    ++loadingCounter_;
}

void TKestPanel::EndLoading(bool apply)
{
    if (loadingCounter_ <= 0)
        return;
    if (--loadingCounter_ > 0)
        return;
    ++changeStamp_;
    idIndexEnabled_ = true;
    try {
        if (apply)
            refList_.Apply();
    } catch (...) {
        idIndexEnabled_ = false;
        DropIdIndex(idIndex_);
        refList_.Clear();
        throw;
    }
    idIndexEnabled_ = false;
    DropIdIndex(idIndex_);
    refList_.Clear();
}

bool TKestPanel::LoadFromFile(const std::string& fileName)
{
    TKestFileStream stream(fileName, TKestFileStream::fmOpenRead);
    std::unique_ptr<TKestFiler> filer = CreateFiler(stream, ppLoad, false);
    return LoadFromFiler(*filer, lmDocument);
}

bool TKestPanel::LoadFromFiler(TKestFiler& filer, TKestLoadMode mode)
{
    const TKestLoadMode savedMode = loadMode_;
    BeginSelectionUpdate();
    if (mode == lmDocument)
        history_->DisableRecording();
    BeginLoading();
    loadMode_ = mode;
    filer.SetTotal(filer.Stream().Size());
    try {
        LoadDocumentBody(filer, mode);
    } catch (...) {
        loadMode_ = savedMode;
        EndSelectionUpdate();
        EndLoading(mode != lmDocument);
        if (mode == lmDocument) {
            history_->EnableRecording();
            NewDocument();
        }
        throw;
    }
    loadMode_ = savedMode;
    EndSelectionUpdate();
    EndLoading();
    if (mode == lmDocument) {
        history_->EnableRecording();
        modified_ = false;
    }
    return true;
}

void TKestPanel::LoadDocumentBody(TKestFiler& filer, TKestLoadMode mode)
{
    TKestControl* parent = nullptr;
    if (mode == lmDocument) {
        EmptyDocument();
        // Objects without an identifier take the smallest free ones, so the
        // root gives back what an earlier document made it hold: a file
        // then loads the same into a used panel as into a new one.
        if (schemes_->ID() != 1 && !idPool_.Used(1))
            schemes_->SetID(1);
    } else {
        parent = activeScheme_;
        UnselectAll();
    }
    std::string line;
    bool more = filer.LoadStrCheck(line);
    if (StartsWith(line, "kestbinary"))
        more = filer.LoadStrCheck(line);
    const bool isDocument = StartsWith(line, "document");
    if (!isDocument && !(mode == lmPaste && StartsWith(line, "clipboard")))
        throw EKestError("Data format error");
    if (mode == lmDocument) {
        saveAsBinary_ = filer.Binary();
        const size_t space = line.find(' ');
        const std::string name = space == std::string::npos ? std::string() : TrimBlanks(line.substr(space + 1));
        if (!name.empty())
            schemes_->SetName(name);
    }
    // What a paste reads of a document's own properties is read past.
    TPropList pastedDocument;
    while (more) {
        more = filer.LoadStrCheck(line);
        if (!more && line.empty())
            break;
        if (StartsWith(line, "end"))
            break;
        if (StartsWith(line, "object"))
            LoadControl(filer, parent, line);
        else if (line.empty())
            continue;
        else if (mode == lmDocument)
            schemes_->Props().LoadPropertyDeferred(filer, line, &refList_);
        else
            pastedDocument.LoadProperty(filer, line);
    }
}

TKestControl* TKestPanel::LoadControl(
    TKestFiler& filer, TKestControl* parent, const std::string& line, bool allowParentless)
{
    const size_t colon = line.rfind(':');
    const TKestControlClass* cls
        = colon == std::string::npos ? nullptr : FindControlClass(TrimBlanks(std::string_view(line).substr(colon + 1)));
    if (!cls || loadDepth_ >= kMaxLoadDepth) {
        filer.LoadSkipToEnd();
        return nullptr;
    }
    struct TLoadScope {
        TKestPanel& panel;
        bool apply = false;
        TLoadScope(TKestPanel& p)
            : panel(p)
        {
            ++panel.loadDepth_;
            panel.history_->DisableRecording();
            panel.BeginLoading();
        }
        ~TLoadScope()
        {
            --panel.loadDepth_;
            // After a failure the references wait for the outer loading.
            if (apply)
                panel.EndLoading();
            else if (panel.loadingCounter_ > 1)
                --panel.loadingCounter_;
            else
                panel.EndLoading(false);
            panel.history_->EnableRecording();
        }
    };
    TKestControl* control = nullptr;
    {
        TLoadScope scope(*this);
        control = cls->Create(this, parent, nullptr);
        const size_t nameStart = std::min<size_t>(6, colon);
        control->SetName(TrimBlanks(std::string_view(line).substr(nameStart, colon - nameStart)));

        const bool isLayer = dynamic_cast<TKestLayer*>(control) != nullptr;
        const bool isScheme = dynamic_cast<TKestCustomScheme*>(control) != nullptr;
        bool refused = false;
        if (isLayer)
            refused = parent ? parent != layers_ : layers_->AddChild(control) < 0;
        else if (isScheme)
            refused = parent ? parent != schemes_ : schemes_->AddChild(control) < 0;
        else
            refused = !parent && !allowParentless;
        if (refused) {
            control->Free();
            filer.LoadSkipToEnd();
            scope.apply = true;
            return nullptr;
        }
        control->LoadFromFiler(filer);
        if (control->ID() == 0)
            GenerateId(control);
        if (loadMode_ == lmPaste && loadingCounter_ > 0) {
            if (!control->Layer() && control->IsStoredProp(control->LayerProp()))
                control->SetLayer(activeLayer_);
            if (dynamic_cast<TKestCustomScheme*>(control->Parent()))
                Select(control);
        }
        scope.apply = true;
    }
    history_->RecordAction(TControlCreateHistoryGroup::StaticClass(), control);
    return control;
}

// ---------------------------------------------------------------------------
// Saving

std::unique_ptr<TKestFiler> TKestPanel::CreateFiler(TKestStream& stream, TKestFilerProcess process, bool binary)
{
    auto filer = std::make_unique<TKestFiler>(stream);
    if (process == ppSave || process == ppCopy)
        filer->SetBinary(binary);
    filer->OnProgress = [this](TKestFiler* sender, int progress, TKestFilerProcess reported) {
        if (!OnProgress || !sender)
            return;
        if (filerProcess_ == ppCopy)
            OnProgress(this, progress, ppCopy);
        else if (reported == filerProcess_)
            OnProgress(this, progress, reported);
    };
    filerProcess_ = process;
    return filer;
}

void TKestPanel::SaveDocumentHeader(TKestFiler& filer, int64_t objectCount)
{
    filer.SetTotal(objectCount);
    filer.SetSaved(0);
    if (saveAsBinary_)
        filer.SetBinary(true);
    filer.SaveStr("document " + schemes_->Name());
    schemes_->Props().SaveToFiler(filer, "  ", false);
    for (int i = 0; i < layers_->Count(); ++i)
        layers_->Controls(i)->SaveToFiler(filer, "  ");
}

bool TKestPanel::SaveToFiler(TKestFiler& filer, bool clipboardVariant, TKestControl* control)
{
    if (clipboardVariant && !control) {
        if (selected_.empty())
            return false;
        auto* scheme = dynamic_cast<TKestCustomScheme*>(selected_.front()->Parent());
        TPaintOrder order;
        std::vector<TKestControl*> written;
        if (scheme && BuildPaintOrder(scheme, order))
            order.ForEachBottomUp([&](TKestControl* c) {
                if (IsSelected(c))
                    written.push_back(c);
            });
        if (written.empty())
            return false;
        int64_t count = 0;
        for (TKestControl* c : written)
            count += CountControls(c);
        filer.SetTotal(count);
        filer.SetSaved(0);
        if (saveAsBinary_)
            filer.SetBinary(true);
        filer.SaveStr("clipboard");
        for (TKestControl* c : written)
            c->SaveToFiler(filer, "  ");
        filer.SaveStr("end");
        filer.SetBinary(false);
        return true;
    }
    int64_t count = CountControls(layers_) - 1;
    count += control ? CountControls(control) : CountControls(schemes_) - 1;
    SaveDocumentHeader(filer, count);
    if (control) {
        control->SaveToFiler(filer, "  ");
    } else {
        for (int i = 0; i < schemes_->Count(); ++i)
            schemes_->Controls(i)->SaveToFiler(filer, "  ");
    }
    filer.SaveStr("end");
    filer.SetBinary(false);
    if (!control)
        modified_ = false;
    return true;
}

void TKestPanel::Assign(TKestPanel& source)
{
    TKestMemoryStream stream;
    {
        std::unique_ptr<TKestFiler> filer = source.CreateFiler(stream, ppCopy, source.SaveAsBinary());
        source.SaveToFiler(*filer);
    }
    stream.Seek(0);
    std::unique_ptr<TKestFiler> filer = CreateFiler(stream, ppCopy, false);
    LoadFromFiler(*filer, lmDocument);
}

// ---------------------------------------------------------------------------
// Clipboard

bool TKestPanel::CopyToClipboard()
{
    TKestMemoryStream stream;
    {
        std::unique_ptr<TKestFiler> filer = CreateFiler(stream, ppSave, saveAsBinary_);
        if (!SaveToFiler(*filer, true))
            return false;
    }
    auto* data = new QMimeData;
    const auto& bytes = stream.Data();
    data->setData(KestControlsMimeType,
        QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    QApplication::clipboard()->setMimeData(data);
    return true;
}

void TKestPanel::PasteFromClipboard(bool)
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(KestControlsMimeType))
        return;
    const QByteArray bytes = data->data(KestControlsMimeType);
    TKestMemoryStream stream(bytes.constData(), static_cast<size_t>(bytes.size()));
    history_->BeginPanelGroup(TPanelCreateControlsHistoryGroup::StaticClass());
    struct TGroupScope {
        TKestPanelHistory& history;
        ~TGroupScope() { history.EndPanelGroup(TPanelCreateControlsHistoryGroup::StaticClass()); }
    } group {*history_};
    std::unique_ptr<TKestFiler> filer = CreateFiler(stream, ppLoad, false);
    LoadFromFiler(*filer, lmPaste);
}

bool TKestPanel::CanPaste(bool) const
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasFormat(KestControlsMimeType);
}

} // namespace kest
