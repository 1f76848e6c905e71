#include "fControl.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProxyStyle>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ControlIcons.h"
#include "DoorOperations.h"

namespace doravo {

TfmControl* fmControl = nullptr;

namespace {

constexpr int FirstColumnRight = 50;
constexpr int EventColumnRight = 70;
constexpr int PersonnelDetailsHeight = 65;
constexpr int PassDetailsHeight = 101;
constexpr int PersInZoneHeight = 125;
constexpr int SplitterMinimum = 50;

// The grey of classic inactive captions: white text stays readable on it,
// which the light themes' inactive-caption colours do not allow.
const QColor InactiveCaption(0x80, 0x80, 0x80);

// Tabs with less padding, so the four pages fit the narrow window side by
// side instead of behind scroll arrows.
class TCompactTabStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_TabBarTabHSpace)
            return 10;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QLabel* Caption(const QString& text)
{
    auto* label = new QLabel(text);
    label->setFont(ControlFont(true));
    return label;
}

// A details area: bold captions with their value labels below each other.
QGridLayout* DetailRows(QWidget* area, std::initializer_list<std::pair<const char*, QLabel**>> rows)
{
    auto* grid = new QGridLayout(area);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    int row = 0;
    for (const auto& [caption, value] : rows) {
        *value = new QLabel;
        (*value)->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(Caption(caption), row, 0);
        grid->addWidget(*value, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    return grid;
}

QWidget* FixedArea(int height)
{
    auto* area = new QWidget;
    area->setFixedHeight(height);
    return area;
}

QString ZoneName(TdmMain& site, int32_t zoneId)
{
    const TZoneRec* zone = site.FindZone(zoneId);
    return zone ? QString::fromStdString(zone->Name) : QString();
}

} // namespace

TfmControl::TfmControl(TdmMain& site, TControlHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , site_(site)
    , host_(host)
    , personnel_(new TSiteListModel(site, slPersons, this))
    , passes_(new TSiteListModel(site, slPasses, this))
    , zones_(new TSiteListModel(site, slZones, this))
    , persInZone_(new TSiteListModel(site, slPersons, this))
    , events_(new TSiteListModel(site, slEvents, this))
{
    fmControl = this;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Control");
    setFont(ControlFont(false));
    resize(ControlWidth, ControlHeight);

    pcPages = new QTabWidget(this);
    pcPages->setDocumentMode(true);
    auto* tabStyle = new TCompactTabStyle;
    tabStyle->setParent(pcPages->tabBar());
    pcPages->tabBar()->setStyle(tabStyle);
    pcPages->addTab(CreatePersonnelPage(), ControlImage(ciPersonnelPage), "Personnel");
    pcPages->addTab(CreatePassesPage(), ControlImage(ciPassesPage), "Passes");
    pcPages->addTab(CreateZonesPage(), ControlImage(ciZonesPage), "Zones");
    pcPages->addTab(CreateEventsPage(), ControlImage(ciEventsPage), "Events");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pcPages);

    personnel_->SetRowCount(int(site.Persons().size()));
    passes_->SetRowCount(int(site.Passes().size()));
    zones_->SetRowCount(int(site.Zones().size()));
    pcPages->setCurrentIndex(cpZones);
    RefreshPersonnel();
    RefreshPasses();
    RefreshZones();
    RefreshEvents();
    connect(pcPages, &QTabWidget::currentChanged, this, [this] { RefreshCurrentPage(); });
}

TfmControl::~TfmControl()
{
    if (fmControl == this)
        fmControl = nullptr;
}

void TfmControl::closeEvent(QCloseEvent* event)
{
    // The window is deleted later; the next "Control" must make a new one.
    if (fmControl == this)
        fmControl = nullptr;
    QWidget::closeEvent(event);
}

TSiteListView* TfmControl::CreateList(TSiteListModel* model, int firstColumnRight)
{
    auto* list = new TSiteListView;
    list->setModel(model);
    list->setItemDelegate(new TSiteRowDelegate(firstColumnRight, list));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return list;
}

void TfmControl::FollowSelection(TSiteListView* list, void (TfmControl::*refresh)())
{
    connect(
        list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, refresh] { (this->*refresh)(); });
}

QWidget* TfmControl::CreatePersonnelPage()
{
    auto* page = new QWidget;
    lbPersonnel = CreateList(personnel_, FirstColumnRight);
    QWidget* details = FixedArea(PersonnelDetailsHeight);
    DetailRows(details, {{"Location:", &lbLocation}, {"Time enter:", &lbTimeEnter}, {"Time leave:", &lbTimeLeave}});
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(lbPersonnel, 1);
    layout->addWidget(details);
    FollowSelection(lbPersonnel, &TfmControl::RefreshPersonnel);
    connect(lbPersonnel, &TSiteListView::doubleClicked, this,
        [this](const QModelIndex& index) { DoubleClicked(lbPersonnel, personnel_->Record(index.row())); });
    return page;
}

QWidget* TfmControl::CreatePassesPage()
{
    auto* page = new QWidget;
    lbPasses = CreateList(passes_, FirstColumnRight);
    QWidget* details = FixedArea(PassDetailsHeight);
    QGridLayout* grid
        = DetailRows(details, {{"Name:", &lbPassName}, {"Zone from:", &lbPassZoneFrom}, {"Zone to:", &lbPassZoneTo}});
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    btnOpen = new QPushButton("&Open");
    btnBlock = new QPushButton("&Block");
    btnUnblock = new QPushButton("&Unblock");
    btnClose = new QPushButton("&Close");
    // Four buttons share the narrow window's width whatever their captions.
    for (QPushButton* button : {btnOpen, btnBlock, btnUnblock, btnClose}) {
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        buttons->addWidget(button);
    }
    grid->setRowStretch(3, 1);
    grid->addLayout(buttons, 4, 0, 1, 2);
    connect(btnOpen, &QPushButton::clicked, this, [this] { PassButton(false, true); });
    connect(btnClose, &QPushButton::clicked, this, [this] { PassButton(false, false); });
    connect(btnBlock, &QPushButton::clicked, this, [this] { PassButton(true, true); });
    connect(btnUnblock, &QPushButton::clicked, this, [this] { PassButton(true, false); });

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(lbPasses, 1);
    layout->addWidget(details);
    FollowSelection(lbPasses, &TfmControl::RefreshPasses);
    connect(lbPasses, &TSiteListView::doubleClicked, this,
        [this](const QModelIndex& index) { DoubleClicked(lbPasses, passes_->Record(index.row())); });
    return page;
}

QWidget* TfmControl::CreateZonesPage()
{
    auto* page = new QWidget;
    lbZones = CreateList(zones_, FirstColumnRight);
    lbZones->setMinimumHeight(SplitterMinimum);

    auto* lower = new QWidget;
    QLabel* header = Caption("Persons in zone");
    header->setContentsMargins(4, 1, 4, 1);
    header->setAutoFillBackground(true);
    QPalette colours = header->palette();
    colours.setColor(QPalette::Window, InactiveCaption);
    colours.setColor(QPalette::WindowText, Qt::white);
    header->setPalette(colours);
    lbPersInZone = CreateList(persInZone_, FirstColumnRight);
    lbPersInZone->setMinimumHeight(SplitterMinimum);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(0);
    lowerLayout->addWidget(header);
    lowerLayout->addWidget(lbPersInZone, 1);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(lbZones);
    splitter->addWidget(lower);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({ControlHeight, PersInZoneHeight + header->sizeHint().height()});

    QWidget* details = new QWidget;
    DetailRows(details, {{"Person count:", &lbZoneCount}, {"Person total in sub-zones:", &lbZoneTotal}});
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(splitter, 1);
    layout->addWidget(details);
    FollowSelection(lbZones, &TfmControl::RefreshZones);
    connect(lbZones, &TSiteListView::doubleClicked, this,
        [this](const QModelIndex& index) { DoubleClicked(lbZones, zones_->Record(index.row())); });
    return page;
}

QWidget* TfmControl::CreateEventsPage()
{
    auto* page = new QWidget;
    lbEvents = CreateList(events_, EventColumnRight);
    cbAutoScroll = new QCheckBox("AutoScroll events");
    cbAutoScroll->setChecked(true);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->setSpacing(4);
    layout->addWidget(lbEvents, 1);
    auto* check = new QHBoxLayout;
    check->setContentsMargins(8, 0, 8, 0);
    check->addWidget(cbAutoScroll);
    layout->addLayout(check);
    connect(lbEvents, &TSiteListView::doubleClicked, this,
        [this](const QModelIndex& index) { DoubleClicked(lbEvents, events_->Record(index.row())); });
    return page;
}

TControlPage TfmControl::CurrentPage() const
{
    return TControlPage(pcPages->currentIndex());
}

void TfmControl::SetCurrentPage(TControlPage page)
{
    pcPages->setCurrentIndex(page);
}

void TfmControl::RefreshCurrentPage()
{
    switch (CurrentPage()) {
    case cpPersonnel:
        RefreshPersonnel();
        break;
    case cpPasses:
        RefreshPasses();
        break;
    case cpZones:
        RefreshZones();
        break;
    case cpEvents:
        RefreshEvents();
        break;
    }
}

int TfmControl::SelectedRecord(const TSiteListView* list) const
{
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    return static_cast<const TSiteListModel*>(list->model())->Record(rows.first().row());
}

void TfmControl::SelectRow(TSiteListView* list, int row)
{
    const QModelIndex index = list->model()->index(row, 0);
    if (index.isValid()) {
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        list->scrollTo(index);
    } else {
        list->selectionModel()->clear();
    }
}

void TfmControl::RefreshPersonnel()
{
    const int record = SelectedRecord(lbPersonnel);
    if (record < 0) {
        lbLocation->clear();
        lbTimeEnter->clear();
        lbTimeLeave->clear();
        return;
    }
    const TPersonRec& person = site_.Persons()[size_t(record)];
    lbLocation->setText(person.ZoneId <= 0 ? QString("[outside]") : ZoneName(site_, person.ZoneId));
    lbTimeEnter->setText(DateTimeText(person.TimeEnter));
    lbTimeLeave->setText(DateTimeText(person.TimeLeave));
}

void TfmControl::RefreshPasses()
{
    const int record = SelectedRecord(lbPasses);
    for (QPushButton* button : {btnOpen, btnBlock, btnUnblock, btnClose})
        button->setEnabled(record >= 0);
    if (record < 0) {
        lbPassName->clear();
        lbPassZoneFrom->clear();
        lbPassZoneTo->clear();
        return;
    }
    const TPassRec& pass = site_.Passes()[size_t(record)];
    lbPassName->setText(QString::fromStdString(pass.Name));
    lbPassZoneFrom->setText(ZoneName(site_, pass.ZoneFrom));
    lbPassZoneTo->setText(ZoneName(site_, pass.ZoneTo));
}

int32_t TfmControl::ZoneTotal(int32_t zoneId)
{
    const TZoneRec* selected = site_.FindZone(zoneId);
    const size_t limit = site_.Zones().size();
    int32_t total = 0;
    for (TZoneRec& zone : site_.Zones()) {
        // The walk is bounded by the number of zones, so even a loop of
        // parents the loader let through cannot hang the window.
        const TZoneRec* up = &zone;
        for (size_t step = 0; up && step < limit; ++step, up = site_.FindZone(up->ParentId))
            if (up == selected) {
                total += zone.Count;
                break;
            }
    }
    return total;
}

void TfmControl::RefreshZones()
{
    const int record = SelectedRecord(lbZones);
    if (record < 0) {
        lbZoneCount->clear();
        lbZoneTotal->clear();
        persInZone_->SetRecords({});
        return;
    }
    const TZoneRec& zone = site_.Zones()[size_t(record)];
    lbZoneCount->setText(QString::number(zone.Count));
    lbZoneTotal->setText(QString::number(ZoneTotal(zone.Id)));
    std::vector<int> members;
    const std::vector<TPersonRec>& persons = site_.Persons();
    for (size_t i = 0; i < persons.size(); ++i)
        if (persons[i].ZoneId == zone.Id)
            members.push_back(int(i));
    persInZone_->SetRecords(std::move(members));
}

void TfmControl::RefreshEvents()
{
    const int count = int(site_.Events().size());
    const bool trimmed = count < events_->rowCount();
    events_->SetRowCount(count);
    // After a trim the remaining rows show other records than before.
    if (trimmed)
        lbEvents->viewport()->update();
    if (cbAutoScroll->isChecked() && count > 0)
        SelectRow(lbEvents, count - 1);
}

void TfmControl::ShowPassRow(int row)
{
    SetCurrentPage(cpPasses);
    SelectRow(lbPasses, row);
    RefreshPasses();
}

void TfmControl::ShowZoneRow(int row)
{
    SetCurrentPage(cpZones);
    SelectRow(lbZones, row);
    RefreshZones();
}

void TfmControl::PassButton(bool block, bool value)
{
    const int record = SelectedRecord(lbPasses);
    if (record < 0)
        return;
    const int32_t passId = site_.Passes()[size_t(record)].Id;
    if (block)
        host_.PlanDoors().DoorBlock(passId, value);
    else
        host_.PlanDoors().DoorPass(passId, 0, value);
}

void TfmControl::DoubleClicked(const TSiteListView* list, int record)
{
    if (record < 0)
        return;
    const auto at = size_t(record);
    if (list == lbPersonnel) {
        host_.Select(host_.FindZoneShape(site_.Persons()[at].ZoneId));
        SetCurrentPage(cpPersonnel);
    } else if (list == lbZones) {
        host_.Select(host_.FindZoneShape(site_.Zones()[at].Id));
    } else if (list == lbPasses) {
        host_.Select(host_.PlanDoors().FindDoorByPass(site_.Passes()[at].Id));
    } else if (list == lbEvents) {
        const int32_t passId = site_.Events()[at].PassId;
        if (passId >= 1)
            host_.Select(host_.PlanDoors().FindDoorByPass(passId));
        SetCurrentPage(cpEvents);
    }
}

TfmControl* ShowControlPanel(TdmMain& site, TControlHost& host)
{
    if (!fmControl)
        new TfmControl(site, host);
    fmControl->show();
    fmControl->raise();
    return fmControl;
}

} // namespace doravo
