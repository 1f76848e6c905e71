#include "KestEditWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "KestEditDocument.h"
#include "KestError.h"

namespace kest {

namespace {

// Zoom steps in percent; zooming in or out goes to the next one.
constexpr std::array<int32_t, 19> kZoomSteps {
    5, 10, 15, 25, 33, 50, 67, 75, 100, 125, 150, 200, 300, 400, 600, 800, 1200, 1600, 3200};

// Document units per pixel at 100 %.
constexpr double kUnitsPerPixel = 1000.0;

constexpr int kSaveTextFilter = 0;

const QString kFileFilters[] = {
    QStringLiteral("Kest documents, text (*.ksd)"),
    QStringLiteral("Kest documents, binary (*.ksd)"),
};

} // namespace

TKestEditWindow::TKestEditWindow(QWidget* parent)
    : QMainWindow(parent)
{
    RegisterEditClasses();
    OnError = [this](const QString& message) { QMessageBox::critical(this, "kestedit", message); };
    OnAskSave = [this](const QString& question) {
        return static_cast<int>(QMessageBox::warning(this, "kestedit", question,
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save));
    };

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tabs_ = new QTabBar(central);
    tabs_->setDocumentMode(true);
    tabs_->setExpanding(false);
    layout->addWidget(tabs_);
    setCentralWidget(central);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (rebuildingTabs_ || !panel_)
            return;
        if (TKestCustomScheme* scheme = panel_->Schemes()->ByIndex(index))
            panel_->SetActiveScheme(scheme);
        ScheduleRefresh();
    });

    positionLabel_ = new QLabel(this);
    positionLabel_->setMinimumWidth(160);
    scaleLabel_ = new QLabel(this);
    selectionLabel_ = new QLabel(this);
    statusBar()->addWidget(positionLabel_);
    statusBar()->addWidget(selectionLabel_, 1);
    statusBar()->addPermanentWidget(scaleLabel_);

    CreateActions();
    CreateToolBar();
    NewFile();
    resize(1024, 720);
}

TKestEditWindow::~TKestEditWindow()
{
    // The panel's hooks point into this window; while it goes, its viewport
    // still sends events, which must not reach a half-destroyed panel.
    TKestPanel* panel = panel_;
    panel_ = nullptr;
    if (panel) {
        panel->viewport()->removeEventFilter(this);
        panel->removeEventFilter(this);
    }
    delete panel;
}

QAction* TKestEditWindow::AddAction(
    QMenu* menu, const QString& text, const QKeySequence& keys, std::function<void()> run)
{
    QAction* action = menu->addAction(text);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    return action;
}

void TKestEditWindow::CreateActions()
{
    QMenu* file = menuBar()->addMenu("&File");
    AddAction(file, "&New", QKeySequence::New, [this] {
        if (MaybeSave())
            NewFile();
    });
    AddAction(file, "&Open...", QKeySequence::Open, [this] { Open(); });
    AddAction(file, "&Save", QKeySequence::Save, [this] { Save(); });
    AddAction(file, "Save &As...", QKeySequence::SaveAs, [this] { SaveAs(); });
    file->addSeparator();
    AddAction(file, "E&xit", QKeySequence::Quit, [this] { close(); });

    QMenu* edit = menuBar()->addMenu("&Edit");
    undoAction_ = AddAction(edit, "&Undo", QKeySequence::Undo, [this] { Undo(); });
    redoAction_ = AddAction(edit, "&Redo", QKeySequence::Redo, [this] { Redo(); });
    edit->addSeparator();
    selectionActions_.push_back(AddAction(edit, "Cu&t", QKeySequence::Cut, [this] { Cut(); }));
    selectionActions_.push_back(AddAction(edit, "&Copy", QKeySequence::Copy, [this] { Copy(); }));
    pasteAction_ = AddAction(edit, "&Paste", QKeySequence::Paste, [this] { Paste(); });
    // The panel takes the Delete key itself while it has the focus.
    selectionActions_.push_back(AddAction(edit, "&Delete", QKeySequence(), [this] { DeleteSelection(); }));
    AddAction(edit, "Select &All", QKeySequence::SelectAll, [this] { SelectAll(); });

    QMenu* arrange = menuBar()->addMenu("&Arrange");
    selectionActions_.push_back(AddAction(arrange, "&Group", QKeySequence("Ctrl+G"), [this] { GroupSelection(); }));
    selectionActions_.push_back(
        AddAction(arrange, "&Ungroup", QKeySequence("Ctrl+Shift+G"), [this] { UngroupSelection(); }));
    arrange->addSeparator();
    selectionActions_.push_back(
        AddAction(arrange, "Rotate 90\u00B0 &Left", QKeySequence("Ctrl+L"), [this] { RotateSelection(90); }));
    selectionActions_.push_back(
        AddAction(arrange, "Rotate 90\u00B0 &Right", QKeySequence("Ctrl+R"), [this] { RotateSelection(-90); }));
    selectionActions_.push_back(AddAction(arrange, "&Mirror", QKeySequence("Ctrl+M"), [this] { MirrorSelection(); }));

    QMenu* view = menuBar()->addMenu("&View");
    AddAction(view, "Zoom &In", QKeySequence::ZoomIn, [this] { ZoomIn(); });
    AddAction(view, "Zoom &Out", QKeySequence::ZoomOut, [this] { ZoomOut(); });
    AddAction(view, "&Fit Page", QKeySequence("Ctrl+0"), [this] { FitDocument(); });
    AddAction(view, "&Actual Size", QKeySequence("Ctrl+1"), [this] { ZoomTo(100); });
}

void TKestEditWindow::CreateToolBar()
{
    QToolBar* bar = addToolBar("Tools");
    bar->setObjectName("tools");
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolGroup_ = new QActionGroup(this);
    auto addTool = [&](const QString& text, const QString& tip, uint8_t mode, const TKestControlClass* cls) {
        QAction* action = bar->addAction(text);
        action->setToolTip(tip);
        action->setCheckable(true);
        toolGroup_->addAction(action);
        connect(action, &QAction::triggered, this, [this, mode, cls] { ChooseTool(mode, cls); });
        return action;
    };
    selectTool_ = addTool("Select", "Select, move and resize; drag a yellow handle of a single shape to reshape it",
        TKestPanel::tmResize, nullptr);
    addTool("Edit Points", "Edit the points of a figure", TKestPanel::tmEditPoints, nullptr);
    addTool("Zoom", "Click to zoom in, Ctrl+click to zoom out, drag to zoom to an area", TKestPanel::tmZoom, nullptr);
    addTool("Pan", "Drag the document", TKestPanel::tmPan, nullptr);
    selectTool_->setChecked(true);
    bar->addSeparator();
    for (const TKestControlClass* cls : RegisterEditClasses()) {
        const QString caption = ControlClassCaption(cls);
        const bool figure = TKestPanel::IsFigureClass(cls);
        const QString tip = figure ? "Draw a " + caption.toLower()
                + " point by point: click each point; double-click, Enter or a click on the first point ends, Esc"
                  " drops the point under the pointer"
                                   : "Create a " + caption.toLower() + " with a click";
        QAction* action = addTool(caption, tip, figure ? TKestPanel::tmCreating : TKestPanel::tmNormal, cls);
        QImage icon(24, 24, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        std::string hint;
        if (cls->ToolInfo(&icon, hint) && !icon.isNull())
            action->setIcon(QIcon(QPixmap::fromImage(icon)));
    }
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

void TKestEditWindow::ChooseTool(uint8_t mode, const TKestControlClass* cls)
{
    panel_->SetCreatingControlClass(nullptr);
    // Through the normal mode, so that the panel forgets the mode it would
    // return to from the tool before.
    panel_->SetToolMode(TKestPanel::tmNormal);
    panel_->SetToolMode(mode);
    panel_->SetCreatingControlClass(cls);
    panel_->setFocus();
}

void TKestEditWindow::InstallPanel(std::unique_ptr<TKestPanel> panel)
{
    auto* layout = static_cast<QVBoxLayout*>(centralWidget()->layout());
    TKestPanel* old = panel_;
    if (old) {
        old->viewport()->removeEventFilter(this);
        old->removeEventFilter(this);
    }
    panel_ = panel.release();
    panel_->setParent(centralWidget());
    panel_->SetEditMode(true);
    layout->addWidget(panel_, 1);
    delete old;
    HookPanel();
    RebuildTabs();
    panel_->show();
    panel_->setFocus();
    ChooseTool(TKestPanel::tmResize, nullptr);
    selectTool_->setChecked(true);
    Refresh();
}

void TKestEditWindow::HookPanel()
{
    panel_->viewport()->installEventFilter(this);
    // Keys end tools (Esc and Enter end drawing a figure).
    panel_->installEventFilter(this);
    panel_->History().OnChange = [this](THistory*) { ScheduleRefresh(); };
    panel_->OnNotify = [this](TKestPanel*, TKestControl*, TKestNotify notify) {
        if (notify == knName)
            RebuildTabs();
        ScheduleRefresh();
    };
    panel_->OnPropChanged = [this](TKestControl*, TCustomProp*) { ScheduleRefresh(); };
    panel_->OnEndSelectionUpdate = [this](TKestPanel*) { ScheduleRefresh(); };
}

void TKestEditWindow::RebuildTabs()
{
    rebuildingTabs_ = true;
    while (tabs_->count() > 0)
        tabs_->removeTab(0);
    TKestSchemes* schemes = panel_->Schemes();
    int active = -1;
    for (int i = 0; schemes && i < schemes->Count(); ++i) {
        TKestCustomScheme* scheme = schemes->ByIndex(i);
        tabs_->addTab(QString::fromStdString(scheme->Name()));
        if (scheme == panel_->ActiveScheme())
            active = i;
    }
    tabs_->setCurrentIndex(active);
    tabs_->setVisible(tabs_->count() > 1);
    rebuildingTabs_ = false;
}

void TKestEditWindow::ScheduleRefresh()
{
    if (refreshPending_)
        return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] { Refresh(); });
}

void TKestEditWindow::Refresh()
{
    refreshPending_ = false;
    if (!panel_)
        return;
    const QString shown = fileName_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(fileName_).fileName();
    setWindowTitle(shown + "[*] - kestedit");
    setWindowModified(panel_->Modified());

    undoAction_->setText(UndoText());
    undoAction_->setEnabled(panel_->History().ActionIndex() >= 0);
    redoAction_->setText(RedoText());
    redoAction_->setEnabled(panel_->History().ActionIndex() < panel_->History().Count() - 1);
    pasteAction_->setEnabled(panel_->CanPaste(false));
    for (QAction* action : selectionActions_)
        action->setEnabled(panel_->SelectedCount() > 0);

    // A creation tool is used once, and the panel returns to the normal mode
    // when its selection goes: either way the Select tool takes over.
    if (panel_->ToolMode() == TKestPanel::tmNormal && !panel_->CreatingControlClass()) {
        selectTool_->setChecked(true);
        panel_->SetToolMode(TKestPanel::tmResize);
    }

    const int index = panel_->Schemes() ? panel_->Schemes()->IndexOf(panel_->ActiveScheme()) : -1;
    if (index != tabs_->currentIndex() && index < tabs_->count()) {
        rebuildingTabs_ = true;
        tabs_->setCurrentIndex(index);
        rebuildingTabs_ = false;
    }
    positionLabel_->setText(position_);
    scaleLabel_->setText(QString::number(panel_->Scale()) + " %");
    selectionLabel_->setText(
        panel_->SelectedCount() > 0 ? QString::number(panel_->SelectedCount()) + " selected" : QString());
}

QString TKestEditWindow::UndoText() const
{
    THistory& history = panel_->History();
    const int index = history.ActionIndex();
    if (index < 0 || index >= history.Count())
        return QStringLiteral("&Undo");
    return "&Undo " + QString::fromStdString(history.Item(index)->Caption());
}

QString TKestEditWindow::RedoText() const
{
    THistory& history = panel_->History();
    const int index = history.ActionIndex() + 1;
    if (index < 0 || index >= history.Count())
        return QStringLiteral("&Redo");
    return "&Redo " + QString::fromStdString(history.Item(index)->Caption());
}

QString TKestEditWindow::PositionText() const
{
    return position_;
}

bool TKestEditWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (panel_ && watched == panel_ && event->type() == QEvent::KeyRelease)
        ScheduleRefresh();
    if (panel_ && watched == panel_->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const QPoint pixel = static_cast<QMouseEvent*>(event)->position().toPoint();
            const TKestPoint at = panel_->UnTransformPoint({pixel.x(), pixel.y()});
            position_
                = QString("X %1  Y %2").arg(at.X / kUnitsPerPixel, 0, 'f', 1).arg(at.Y / kUnitsPerPixel, 0, 'f', 1);
            positionLabel_->setText(position_);
        } else if (event->type() == QEvent::Leave) {
            position_.clear();
            positionLabel_->clear();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            ScheduleRefresh();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TKestEditWindow::ShowError(const QString& message)
{
    if (OnError)
        OnError(message);
}

bool TKestEditWindow::OpenFile(const QString& fileName)
{
    QString error;
    std::unique_ptr<TKestPanel> panel = LoadEditDocument(fileName, error);
    if (!panel) {
        ShowError(error);
        return false;
    }
    fileName_ = fileName;
    const int32_t scale = panel_->Scale();
    InstallPanel(std::move(panel));
    ZoomTo(scale);
    return true;
}

bool TKestEditWindow::SaveFile(const QString& fileName, bool binary)
{
    QString error;
    if (!SaveEditDocument(*panel_, fileName, binary, error)) {
        ShowError(error);
        return false;
    }
    fileName_ = fileName;
    Refresh();
    return true;
}

void TKestEditWindow::NewFile()
{
    fileName_.clear();
    auto panel = std::make_unique<TKestPanel>();
    // The empty document made by the panel is nothing to save.
    panel->SetModified(false);
    InstallPanel(std::move(panel));
}

bool TKestEditWindow::MaybeSave()
{
    if (!panel_->Modified())
        return true;
    const QString shown = fileName_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(fileName_).fileName();
    const int answer = OnAskSave ? OnAskSave("Save the changes to " + shown + "?") : QMessageBox::Discard;
    if (answer == QMessageBox::Save)
        return Save();
    return answer == QMessageBox::Discard;
}

void TKestEditWindow::Open()
{
    if (!MaybeSave())
        return;
    const QString name = QFileDialog::getOpenFileName(
        this, "Open", QFileInfo(fileName_).path(), "Kest documents (*.ksd);;All files (*)");
    if (!name.isEmpty())
        OpenFile(name);
}

bool TKestEditWindow::Save()
{
    if (fileName_.isEmpty()) {
        SaveAs();
        return !panel_->Modified();
    }
    return SaveFile(fileName_, panel_->SaveAsBinary());
}

void TKestEditWindow::SaveAs()
{
    QString filter = kFileFilters[panel_->SaveAsBinary() ? 1 : kSaveTextFilter];
    const QString name
        = QFileDialog::getSaveFileName(this, "Save As", fileName_, kFileFilters[0] + ";;" + kFileFilters[1], &filter);
    if (name.isEmpty())
        return;
    SaveFile(QFileInfo(name).suffix().isEmpty() ? name + ".ksd" : name, filter == kFileFilters[1]);
}

void TKestEditWindow::closeEvent(QCloseEvent* event)
{
    if (MaybeSave())
        event->accept();
    else
        event->ignore();
}

void TKestEditWindow::ZoomTo(int32_t percent)
{
    panel_->Zoom(std::clamp(percent, TKestPanel::kMinScale, TKestPanel::kMaxScale));
    Refresh();
}

void TKestEditWindow::ZoomIn()
{
    const auto next = std::upper_bound(kZoomSteps.begin(), kZoomSteps.end(), panel_->Scale());
    ZoomTo(next == kZoomSteps.end() ? panel_->Scale() * 2 : *next);
}

void TKestEditWindow::ZoomOut()
{
    const auto next = std::lower_bound(kZoomSteps.begin(), kZoomSteps.end(), panel_->Scale());
    ZoomTo(next == kZoomSteps.begin() ? panel_->Scale() / 2 : *(next - 1));
}

void TKestEditWindow::FitDocument()
{
    const int64_t width = std::max(panel_->DocWidth(), 1), height = std::max(panel_->DocHeight(), 1);
    // A few pixels of margin keep the page's frame in sight.
    const int64_t viewWidth = std::max(panel_->viewport()->width() - 16, 1);
    const int64_t viewHeight = std::max(panel_->viewport()->height() - 16, 1);
    const int64_t scale = std::min(viewWidth * 100000 / width, viewHeight * 100000 / height);
    const TKestRect page {0, 0, panel_->DocWidth(), panel_->DocHeight()};
    panel_->Zoom(static_cast<int32_t>(std::clamp<int64_t>(scale, TKestPanel::kMinScale, TKestPanel::kMaxScale)), &page);
    Refresh();
}

void TKestEditWindow::Guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const EKestError& e) {
        ShowError(QString::fromStdString(e.what()));
    }
    ScheduleRefresh();
}

void TKestEditWindow::Undo()
{
    Guarded([this] { panel_->History().Undo(); });
}

void TKestEditWindow::Redo()
{
    Guarded([this] { panel_->History().Redo(); });
}

void TKestEditWindow::Cut()
{
    Guarded([this] {
        if (panel_->CopyToClipboard())
            panel_->DeleteSelected();
    });
}

void TKestEditWindow::Copy()
{
    Guarded([this] { panel_->CopyToClipboard(); });
}

void TKestEditWindow::Paste()
{
    Guarded([this] { panel_->PasteFromClipboard(false); });
}

void TKestEditWindow::DeleteSelection()
{
    Guarded([this] { panel_->DeleteSelected(); });
}

void TKestEditWindow::GroupSelection()
{
    Guarded([this] { panel_->Group(); });
}

void TKestEditWindow::UngroupSelection()
{
    Guarded([this] { panel_->Ungroup(); });
}

void TKestEditWindow::RotateSelection(int32_t degrees)
{
    Guarded([this, degrees] {
        TTranslateInfo info;
        const TKestRect& r = panel_->SelectionRect();
        info.Center = {r.Left + (r.Right - r.Left) / 2, r.Top + (r.Bottom - r.Top) / 2};
        info.Rotate = degrees;
        panel_->TranslateSelected(info);
    });
}

void TKestEditWindow::MirrorSelection()
{
    Guarded([this] {
        TTranslateInfo info;
        const TKestRect& r = panel_->SelectionRect();
        info.Center = {r.Left + (r.Right - r.Left) / 2, r.Top + (r.Bottom - r.Top) / 2};
        info.Mirror = true;
        panel_->TranslateSelected(info);
    });
}

void TKestEditWindow::SelectAll()
{
    TKestCustomScheme* scheme = panel_->ActiveScheme();
    if (!scheme)
        return;
    panel_->BeginSelectionUpdate();
    for (int i = 0; i < scheme->Count(); ++i)
        panel_->Select(scheme->Controls(i));
    panel_->EndSelectionUpdate();
    ScheduleRefresh();
}

} // namespace kest
