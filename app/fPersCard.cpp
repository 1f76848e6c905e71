#include "fPersCard.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <algorithm>

#include "ControlIcons.h"
#include "ControlLists.h"
#include "KestBase.h"
#include "KestColor.h"

namespace doravo {

namespace {

constexpr int CloseButtonSize = 17;
constexpr int TitleBottom = 16;
constexpr int IdRight = 120;

QColor CardColor(uint32_t value)
{
    return kest::ColorToQColor(kest::TColor(value));
}

QIcon CloseCross()
{
    QImage image(CloseButtonSize, CloseButtonSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(5, 5), QPointF(11.5, 11.5));
    painter.drawLine(QPointF(11.5, 5), QPointF(5, 11.5));
    painter.end();
    return QIcon(QPixmap::fromImage(image));
}

QLabel* CardLabel(QWidget* parent, const QRect& place, bool bold)
{
    auto* label = new QLabel(parent);
    label->setGeometry(place);
    label->setFont(ControlFont(bold));
    return label;
}

// The soft bump edge: a raised outer ring and a sunken inner ring.
void DrawBumpEdge(QPainter& painter, QRect rect)
{
    const QColor highlight(0xFF, 0xFF, 0xFF), light(0xE3, 0xE3, 0xE3), shadow(0xA0, 0xA0, 0xA0),
        darkShadow(0x69, 0x69, 0x69);
    auto ring = [&painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(r.left(), r.bottom() - 1, r.left(), r.top());
        painter.drawLine(r.left(), r.top(), r.right() - 1, r.top());
        painter.setPen(bottomRight);
        painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
        painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    };
    ring(rect, highlight, darkShadow);
    rect.adjust(1, 1, -1, -1);
    ring(rect, shadow, light);
}

} // namespace

const TCardColors& CardColors(bool alarm)
{
    static const TCardColors normal {0x92D4A7, 0x65B860, 0x65B860, 0x3A853F};
    static const TCardColors alarmed {0xB2B2F1, 0x9090EB, 0x9090EB, 0x3232B3};
    return alarm ? alarmed : normal;
}

TfmPersonCard::TfmPersonCard(TdmMain& site, TCardWindows& owner)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , site_(site)
    , owner_(&owner)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(CardWidth, CardHeight);

    sbClose = new QToolButton(this);
    sbClose->setAutoRaise(true);
    sbClose->setIcon(CloseCross());
    sbClose->setIconSize(QSize(CloseButtonSize, CloseButtonSize));
    sbClose->setGeometry(CardWidth - CloseButtonSize - 1, 1, CloseButtonSize, CloseButtonSize - 1);
    connect(sbClose, &QToolButton::clicked, this, [this] { close(); });

    lbCaption = CardLabel(this, QRect(4, 2, 100, 13), true);
    QPalette white = lbCaption->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    lbCaption->setPalette(white);

    Image1 = new QLabel(this);
    const QPixmap person = CardPersonPicture();
    Image1->setPixmap(person);
    Image1->setGeometry(QRect(QPoint(6, 20), person.size()));

    lbFirstName = CardLabel(this, QRect(30, 20, 91, 14), false);
    lbLastName = CardLabel(this, QRect(30, 36, 91, 14), false);
    lbPersonId = CardLabel(this, QRect(IdRight - 50, 20, 50, 14), true);
    lbPersonId->setAlignment(Qt::AlignRight | Qt::AlignTop);
    for (QLabel* label : {lbFirstName, lbLastName, lbPersonId}) {
        QPalette black = label->palette();
        black.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(black);
    }
}

TfmPersonCard::~TfmPersonCard()
{
    if (owner_)
        owner_->Forget(this);
}

void TfmPersonCard::SetCard(TKestDoor* door, int32_t passId, int32_t personId, bool alarm)
{
    door_ = door;
    passId_ = passId;
    personId_ = personId;
    alarm_ = alarm;
    RefreshContent();
}

void TfmPersonCard::RefreshContent()
{
    const TCardColors& colors = CardColors(alarm_);
    if (tile_.isNull())
        tile_ = QImage(1, 2, QImage::Format_RGB32);
    tile_.setPixelColor(0, 0, CardColor(colors.Even));
    tile_.setPixelColor(0, 1, CardColor(colors.Odd));

    const int pass = site_.FindPass(passId_);
    lbCaption->setText(pass >= 0 ? QString::fromStdString(site_.Passes()[size_t(pass)].Name) : "[unknown pass]");
    lbPersonId->setText(QString::number(personId_));
    const int person = site_.FindPerson(personId_);
    if (person >= 0) {
        lbFirstName->setText(QString::fromStdString(site_.Persons()[size_t(person)].FirstName));
        lbLastName->setText(QString::fromStdString(site_.Persons()[size_t(person)].LastName));
    } else {
        lbFirstName->setText("[unknown]");
        lbLastName->setText("[unknown]");
    }
    update();
}

void TfmPersonCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect client = rect();
    if (!tile_.isNull())
        painter.fillRect(client, QBrush(tile_));
    DrawBumpEdge(painter, client);
    painter.fillRect(
        QRect(QPoint(2, 2), QPoint(client.width() - 3, TitleBottom - 1)), CardColor(CardColors(alarm_).Title));
}

void TfmPersonCard::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragOffset_ = event->position().toPoint();
    dragging_ = true;
}

void TfmPersonCard::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_)
        move(event->globalPosition().toPoint() - dragOffset_);
}

void TfmPersonCard::mouseReleaseEvent(QMouseEvent*)
{
    dragging_ = false;
}

void TfmPersonCard::closeEvent(QCloseEvent* event)
{
    if (owner_)
        owner_->Forget(this);
    QWidget::closeEvent(event);
}

TCardWindows::TCardWindows(TdmMain& site, TDoorScreenRect doorScreenRect)
    : site_(site)
    , doorScreenRect_(std::move(doorScreenRect))
{
}

TCardWindows::~TCardWindows()
{
    while (!windows_.empty()) {
        TfmPersonCard* window = windows_.back();
        Forget(window);
        delete window;
    }
}

QRect TCardWindows::PanelDoorRect(const kest::TKestPanel& panel, const TKestDoor* door)
{
    const kest::TKestRect r = panel.TransformRect(door->DocRect());
    const QPoint origin = panel.viewport()->mapToGlobal(QPoint(0, 0));
    return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)).translated(origin);
}

void TCardWindows::Forget(TfmPersonCard* window)
{
    std::erase(windows_, window);
    window->owner_ = nullptr;
}

void TCardWindows::Close(TfmPersonCard* window)
{
    Forget(window);
    window->close();
}

TfmPersonCard* TCardWindows::FindCardWindow(const TKestDoor* door) const
{
    auto it = std::find_if(windows_.begin(), windows_.end(), [door](TfmPersonCard* w) { return w->Door() == door; });
    return it != windows_.end() ? *it : nullptr;
}

void TCardWindows::ShowCardWindow(int32_t passId, int32_t actor, TKestDoor* door, bool alarm)
{
    TfmPersonCard* window = FindCardWindow(door);
    if (!window) {
        window = new TfmPersonCard(site_, *this);
        windows_.push_back(window);
        const QRect doorRect = doorScreenRect_(door);
        window->move(doorRect.left() - (CardWidth - doorRect.width()) / 2, doorRect.top() - CardHeight - CardDoorGap);
    }
    window->SetCard(door, passId, actor, alarm);
    window->show();
}

void TCardWindows::HideCardWindow(TKestDoor* door)
{
    if (TfmPersonCard* window = FindCardWindow(door))
        Close(window);
}

void TCardWindows::HideAllCardWindows()
{
    while (!windows_.empty())
        Close(windows_.back());
}

void TCardWindows::ShowInPlanCard(int32_t passId, int32_t actor, TKestDoor* door, bool alarm)
{
    if (inPlan_)
        inPlan_->ShowInPlanCard(passId, actor, door, alarm);
}

void TCardWindows::RemoveInPlanCard(TKestDoor* door)
{
    if (inPlan_)
        inPlan_->RemoveInPlanCard(door);
}

} // namespace doravo
