#include "fOptions.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "IniFile.h"

namespace doravo {

namespace {

constexpr int32_t MinFrameWidth = 1;
constexpr int32_t MaxFrameWidth = 9;

// A group of three exclusive choices numbered 0, 1, 2 in their order.
QButtonGroup* MakeChoice(QObject* owner, std::initializer_list<QRadioButton*> buttons)
{
    auto* group = new QButtonGroup(owner);
    int id = 0;
    for (QRadioButton* button : buttons)
        group->addButton(button, id++);
    return group;
}

QGroupBox* MakeChoiceBox(const QString& title, std::initializer_list<QRadioButton*> buttons)
{
    auto* box = new QGroupBox(title);
    auto* layout = new QVBoxLayout(box);
    for (QRadioButton* button : buttons)
        layout->addWidget(button);
    layout->addStretch();
    return box;
}

// Checks the button of a choice; a value out of range read from the
// settings file checks none, and the value stays as read until the user
// picks one.
void CheckChoice(QButtonGroup* group, int value)
{
    if (QAbstractButton* button = group->button(value))
        button->setChecked(true);
}

} // namespace

int32_t ParseSelFrameWidth(const QString& text)
{
    int32_t value = 0;
    if (!TryStrToInt(text.toStdString(), value))
        return MinFrameWidth;
    return std::clamp(value, MinFrameWidth, MaxFrameWidth);
}

TfmOptions* TfmOptions::openDialog_ = nullptr;

TfmOptions::TfmOptions(QWidget* parent)
    : QDialog(parent)
    , options_(AppOptions)
{
    setWindowTitle(QStringLiteral("Options"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);

    pcOptions = new QTabWidget;
    pcOptions->addTab(CreateGeneralPage(), QStringLiteral("&General"));
    pcOptions->addTab(CreateAccessPage(), QStringLiteral("A&ccess"));

    btnOk = new QPushButton(QStringLiteral("&Ok"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pcOptions);
    layout->addLayout(buttons);

    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    LoadControls();
    ConnectControls();
    changed_ = false;
    openDialog_ = this;
}

TfmOptions::~TfmOptions()
{
    if (openDialog_ == this)
        openDialog_ = nullptr;
}

QWidget* TfmOptions::CreateGeneralPage()
{
    cbShowHints = new QCheckBox(QStringLiteral("&Show hints"));
    lblSelFrameWidth = new QLabel(QStringLiteral("Selection frame &width"));
    edSelFrameWidth = new QLineEdit(QStringLiteral("1"));
    edSelFrameWidth->setFixedWidth(48);
    lblSelFrameWidth->setBuddy(edSelFrameWidth);

    rbZoneNone = new QRadioButton(QStringLiteral("&Don't show"));
    rbZoneSelected = new QRadioButton(QStringLiteral("Show se&lected"));
    rbZoneAll = new QRadioButton(QStringLiteral("Show &all"));
    gbZoneCaptions = MakeChoiceBox(QStringLiteral(" Zone captions "), {rbZoneNone, rbZoneSelected, rbZoneAll});
    zoneCaptions_ = MakeChoice(this, {rbZoneNone, rbZoneSelected, rbZoneAll});

    rbLampNone = new QRadioButton(QStringLiteral("&None"));
    rbLampRunning = new QRadioButton(QStringLiteral("&Running"));
    rbLampFlashing = new QRadioButton(QStringLiteral("&Flashing"));
    gbLampEffect = MakeChoiceBox(QStringLiteral(" Lamp effect "), {rbLampNone, rbLampRunning, rbLampFlashing});
    lampEffect_ = MakeChoice(this, {rbLampNone, rbLampRunning, rbLampFlashing});

    auto* width = new QHBoxLayout;
    width->addWidget(lblSelFrameWidth);
    width->addWidget(edSelFrameWidth);
    width->addStretch();
    auto* groups = new QHBoxLayout;
    groups->addWidget(gbZoneCaptions);
    groups->addWidget(gbLampEffect);

    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(cbShowHints);
    layout->addLayout(width);
    layout->addLayout(groups, 1);
    return page;
}

QWidget* TfmOptions::CreateAccessPage()
{
    cbEmulation = new QCheckBox(QStringLiteral("&Emulation"));
    cbShowPersonsCards = new QCheckBox(QStringLiteral("Show persons &cards"));
    rbCardsForms = new QRadioButton(QStringLiteral("As stay-on-top &forms"));
    rbCardsKest = new QRadioButton(QStringLiteral("As kes&t controls"));
    cardForm_ = new QButtonGroup(this);
    cardForm_->addButton(rbCardsForms);
    cardForm_->addButton(rbCardsKest);

    // The card forms belong to the check box above them.
    auto* forms = new QVBoxLayout;
    forms->setContentsMargins(24, 0, 0, 0);
    forms->addWidget(rbCardsForms);
    forms->addWidget(rbCardsKest);

    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(cbEmulation);
    layout->addSpacing(6);
    layout->addWidget(cbShowPersonsCards);
    layout->addLayout(forms);
    layout->addStretch();
    return page;
}

void TfmOptions::LoadControls()
{
    cbShowHints->setChecked(options_.ShowHints);
    edSelFrameWidth->setText(QString::number(options_.SelFrameWidth));
    CheckChoice(zoneCaptions_, options_.ShowZoneCaptions);
    CheckChoice(lampEffect_, options_.LampsEffect);
    cbEmulation->setChecked(options_.Emulation);
    cbShowPersonsCards->setChecked(options_.ShowPersonsCards);
    (options_.ShowCardsInKest ? rbCardsKest : rbCardsForms)->setChecked(true);
    rbCardsForms->setEnabled(options_.ShowPersonsCards);
    rbCardsKest->setEnabled(options_.ShowPersonsCards);
}

void TfmOptions::Modify(const std::function<void(TAppOptions&)>& change)
{
    change(options_);
    changed_ = true;
}

void TfmOptions::ConnectControls()
{
    connect(cbShowHints, &QCheckBox::toggled, this,
        [this](bool checked) { Modify([&](TAppOptions& o) { o.ShowHints = checked; }); });
    connect(cbEmulation, &QCheckBox::toggled, this,
        [this](bool checked) { Modify([&](TAppOptions& o) { o.Emulation = checked; }); });
    connect(cbShowPersonsCards, &QCheckBox::toggled, this, [this](bool checked) {
        rbCardsForms->setEnabled(checked);
        rbCardsKest->setEnabled(checked);
        Modify([&](TAppOptions& o) { o.ShowPersonsCards = checked; });
    });
    connect(rbCardsKest, &QRadioButton::toggled, this,
        [this](bool checked) { Modify([&](TAppOptions& o) { o.ShowCardsInKest = checked; }); });
    connect(zoneCaptions_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            Modify([&](TAppOptions& o) { o.ShowZoneCaptions = uint8_t(id); });
    });
    connect(lampEffect_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            Modify([&](TAppOptions& o) { o.LampsEffect = uint8_t(id); });
    });
    connect(edSelFrameWidth, &QLineEdit::textChanged, this,
        [this](const QString& text) { Modify([&](TAppOptions& o) { o.SelFrameWidth = ParseSelFrameWidth(text); }); });
}

bool RunOptionsDialog(QWidget* parent)
{
    if (TfmOptions::OpenDialog())
        return false;
    TfmOptions dialog(parent);
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (ok && dialog.Changed())
        AppOptions = dialog.Options();
    return ok;
}

bool EditOptions(QWidget* parent, TIniFile& settings, const std::function<void()>& applyOptions, std::string& error)
{
    error.clear();
    if (!RunOptionsDialog(parent))
        return false;
    if (applyOptions)
        applyOptions();
    SaveOptions(settings, AppOptions, error);
    return true;
}

} // namespace doravo
