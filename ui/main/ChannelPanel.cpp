#include "ui/main/ChannelPanel.h"

#include "ui/controls/ChoiceList.h"
#include "ui/controls/ControlId.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/LevelMeter.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/controls/SpinButton.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/main/ChannelPanelControls.h"
#include "ui/main/DialogLayout.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/NumberEdit.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>

#include <algorithm>

namespace {

// The fader: a scale marked +10 .. -80 dB and a knob that darkens while dragged;
// the knob runs to the right of the scale's 33-pixel marking column.
constexpr int kFaderScaleImage = 135;
constexpr int kKnobImage = 136;
constexpr int kKnobDraggedImage = 137;
constexpr int kKnobLeftMargin = 33;

// Meter lamps, lit and dark: eight green level lamps, a yellow one, a red overload lamp.
constexpr int kGreenLampLit = 178, kGreenLampDark = 180;
constexpr int kYellowLampLit = 179, kYellowLampDark = 181;
constexpr int kRedLampLit = 177, kRedLampDark = 182;
constexpr int kGreenLamps = 8;

QComboBox* NewList(const ControlSpec& item, QWidget* parent)
{
    auto* list = new CChoiceList(parent);
    list->setMaxVisibleItems(VisibleListEntries(item));
    return list;
}

CNumberEdit* NewEdit(const ControlSpec& item, QWidget* parent)
{
    auto* edit = new CNumberEdit(parent);
    edit->setAlignment(Qt::AlignCenter);
    edit->setReadOnly(item.flags & kItemReadOnly);
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->setAcceptDrops(false);
    return edit;
}

}  // namespace

// The texts come before the layouts: a group box's title sets the room it leaves its contents.
CChannelPanel::CChannelPanel(int channel, QWidget* parent)
    : QWidget(parent), m_channel(channel), m_ids(ControlIdsOf(channel))
{
    CreateControls();
    SetUpControls();
    ApplyLanguage();
    LayOut();
    ConnectControls();
}

QRect CChannelPanel::DesignRect(int channel)
{
    QRect strip;
    for (const ChannelControlSpec& item : ChannelPanelControls()) {
        if (item.kind == ItemKind::GroupBox)
            strip |= PixelRect(item.Placed(channel));
    }
    return strip;
}

QWidget* CChannelPanel::Control(int id) const
{
    return m_controls.value(id, nullptr);
}

CEqualizerGraph* CChannelPanel::Graph() const
{
    return qobject_cast<CEqualizerGraph*>(Control(m_ids.graph));
}

CGainFader* CChannelPanel::Fader() const
{
    return qobject_cast<CGainFader*>(Control(m_ids.fader));
}

CLevelMeter* CChannelPanel::Meter() const
{
    return m_meter;
}

QComboBox* CChannelPanel::List(int id) const
{
    return qobject_cast<QComboBox*>(Control(id));
}

QLineEdit* CChannelPanel::Edit(int id) const
{
    return qobject_cast<QLineEdit*>(Control(id));
}

CSkinnedButton* CChannelPanel::Button(int id) const
{
    return qobject_cast<CSkinnedButton*>(Control(id));
}

std::array<std::pair<int, int>, kCompFieldCount + 1> CChannelPanel::SpinEdits() const
{
    std::array<std::pair<int, int>, kCompFieldCount + 1> pairs{};
    pairs[0] = {m_ids.gainSpin, m_ids.gainEdit};
    for (int f = 0; f < kCompFieldCount; ++f)
        pairs[f + 1] = {m_ids.compSpins[f], m_ids.compEdits[f]};
    return pairs;
}

// Each control goes into the group box that holds its rectangle, at the template's place; the
// lamps go into the channel's level meter.
void CChannelPanel::CreateControls()
{
    const QPoint origin = DesignRect(m_channel).topLeft();
    for (const ChannelControlSpec& spec : ChannelPanelControls()) {
        const ControlSpec item = spec.Placed(m_channel);
        const QRect rect = PixelRect(item).translated(-origin);
        QWidget* control = CreateControl(spec, rect);
        SetControlId(control, item.id);
        m_controls.insert(item.id, control);
        control->setVisible(!(item.flags & kItemHidden));
        if (item.flags & kItemDisabled)
            control->setEnabled(false);
    }
}

QWidget* CChannelPanel::CreateControl(const ChannelControlSpec& spec, const QRect& rect)
{
    const ControlSpec item = spec.Placed(m_channel);
    if (item.kind == ItemKind::GroupBox) {
        auto* group = new QGroupBox(this);
        group->setGeometry(rect);
        m_groups.append(group);
        return group;
    }
    QWidget* container = ContainerOf(rect);
    if (item.kind == ItemKind::Lamp)
        container = MeterFor(rect, container);
    QWidget* control = nullptr;
    switch (item.kind) {
    case ItemKind::Label: control = new QLabel(container); break;
    case ItemKind::DropDown: control = NewList(item, container); break;
    case ItemKind::Edit: control = NewEdit(item, container); break;
    case ItemKind::Spin: control = new CSpinButton(container); break;
    case ItemKind::SkinButton: control = new CSkinnedButton(container); break;
    case ItemKind::Lamp: control = new CMeterLamp(container); break;
    case ItemKind::Fader: control = new CGainFader(container); break;
    case ItemKind::Graph: control = new CEqualizerGraph(container); break;
    case ItemKind::GroupBox: break;
    }
    control->setGeometry(rect.translated(-container->mapTo(this, QPoint(0, 0))));
    return control;
}

// The smallest group box whose rectangle holds rect.
QWidget* CChannelPanel::ContainerOf(const QRect& rect) const
{
    QWidget* holder = const_cast<CChannelPanel*>(this);
    int area = -1;
    for (QWidget* group : m_groups) {
        const int groupArea = group->width() * group->height();
        if (group->geometry().contains(rect) && (area < 0 || groupArea < area)) {
            holder = group;
            area = groupArea;
        }
    }
    return holder;
}

// The level meter is the lamps' column: it grows with each lamp made into it.
QWidget* CChannelPanel::MeterFor(const QRect& lampRect, QWidget* group)
{
    const QRect inGroup = lampRect.translated(-group->mapTo(this, QPoint(0, 0)));
    if (m_meter == nullptr) {
        m_meter = new CLevelMeter(group);
        m_meter->setGeometry(inGroup);
        return m_meter;
    }
    const QRect column = m_meter->geometry() | inGroup;
    for (QWidget* lamp : m_meter->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        lamp->move(lamp->pos() + m_meter->pos() - column.topLeft());
    m_meter->setGeometry(column);
    return m_meter;
}

void CChannelPanel::SetUpControls()
{
    CGainFader* fader = Fader();
    fader->SetChannelImages(kFaderScaleImage, kFaderScaleImage, true, CGainFader::kColourFromPixel, 0, 0);
    fader->SetThumbImages(kKnobImage, kKnobDraggedImage, true, CGainFader::kColourFromPixel, 0, 0);
    fader->SetMargins(kKnobLeftMargin, 0, 0, 1);
    fader->SetVertical(true);
    fader->SetRange(0, kGainCodeMax, false);
    fader->SetReadingOf([](int code) {
        return CGainFader::Reading{codecs::kGain.linear->Value(code), tr("%1 dB").arg(GainText(code))};
    });

    std::vector<CMeterLamp*> lamps;
    for (int j = 0; j < kLampsPerChannel; ++j) {
        auto* lamp = qobject_cast<CMeterLamp*>(Control(m_ids.firstLamp + j));
        if (j < kGreenLamps)
            lamp->SetLampImages(kGreenLampLit, kGreenLampDark);
        else if (j == kOverloadLamp)
            lamp->SetLampImages(kRedLampLit, kRedLampDark);
        else
            lamp->SetLampImages(kYellowLampLit, kYellowLampDark);
        lamps.push_back(lamp);
    }
    m_meter->SetLamps(std::move(lamps));
    m_meter->resize(m_meter->childrenRect().bottomRight().x() + 1, m_meter->childrenRect().bottomRight().y() + 1);

    for (const auto& [spin, edit] : SpinEdits())
        qobject_cast<CSpinButton*>(Control(spin))->SetBuddy(Edit(edit));

    FillListEntries(*List(m_ids.staticNotchCount), StaticNotchEntries());
    FillListEntries(*List(m_ids.noiseGate), NoiseGateEntries());
    FillListEntries(*List(m_ids.frequencyShift), FreqShiftEntries());

    // the switches' state is the unit's (muted, bypassed)
    for (int id : {m_ids.mute, m_ids.peqBypass, m_ids.notchBypass})
        Button(id)->setCheckable(true);
}

// Every group box, the level meter and the strip itself place what they hold as the template
// does at its size; the graph, and the group box that holds it, take the room beyond it.
void CChannelPanel::LayOut()
{
    const auto childrenOf = [](QWidget* container) {
        std::vector<DesignedChild> children;
        for (QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<CSpinButton*>(child))
                continue;   // a spin follows its edit
            const bool grows = qobject_cast<CEqualizerGraph*>(child) != nullptr || child->findChild<CEqualizerGraph*>();
            const bool group = qobject_cast<QGroupBox*>(child) != nullptr;
            children.push_back({child, child->geometry(), grows ? kGrowsBoth : group ? kGrowsTall : kGrowsNot});
        }
        return children;
    };
    LayOutAsDesigned(*m_meter, childrenOf(m_meter), m_meter->size());
    for (QWidget* group : m_groups)
        LayOutAsDesigned(*group, childrenOf(group), group->size());
    LayOutAsDesigned(*this, childrenOf(this), DesignRect(m_channel).size());
}

void CChannelPanel::ConnectControls()
{
    connect(Button(m_ids.mute), &QAbstractButton::clicked, this, &CChannelPanel::muteClicked);
    connect(Button(m_ids.peqBypass), &QAbstractButton::clicked, this, &CChannelPanel::peqBypassClicked);
    connect(Button(m_ids.notchBypass), &QAbstractButton::clicked, this, &CChannelPanel::notchBypassClicked);
    connect(Button(m_ids.notchClear), &QAbstractButton::clicked, this, &CChannelPanel::notchClearClicked);
    connect(qobject_cast<CSpinButton*>(Control(m_ids.gainSpin)), &CSpinButton::stepped, this,
            &CChannelPanel::gainStepped);
    for (int f = 0; f < kCompFieldCount; ++f) {
        connect(qobject_cast<CSpinButton*>(Control(m_ids.compSpins[f])), &CSpinButton::stepped, this,
                [this, f](int step) { emit compressorStepped(kCompFields[f], step); });
    }
    for (const auto& [spin, edit] : SpinEdits())
        Edit(edit)->installEventFilter(this);
    connect(Fader(), &CGainFader::faderMoving, this, [this] { emit faderMoved(Fader()->GetInvertedPos(), false); });
    connect(Fader(), &CGainFader::faderMoved, this, [this] { emit faderMoved(Fader()->GetInvertedPos(), true); });
    const auto picked = [this](int id, void (CChannelPanel::*signal)(int)) {
        connect(List(id), &QComboBox::activated, this, [this, signal](int index) {
            if (index >= 0)
                emit(this->*signal)(index);
        });
    };
    picked(m_ids.frequencyShift, &CChannelPanel::frequencyShiftPicked);
    picked(m_ids.noiseGate, &CChannelPanel::noiseGatePicked);
    picked(m_ids.staticNotchCount, &CChannelPanel::staticNotchCountPicked);
    connect(Graph(), &CEqualizerGraph::bandChanged, this, &CChannelPanel::bandChanged);
    connect(Graph(), &CEqualizerGraph::dragFinished, this, &CChannelPanel::bandDragFinished);
}

// An edit's own context menu leaves the focus where it is: no commit.
bool CChannelPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        CommitEdit(watched);
    return QWidget::eventFilter(watched, event);
}

void CChannelPanel::CommitTypedText()
{
    CommitEdit(window()->focusWidget());
}

void CChannelPanel::CommitEdit(QObject* edit)
{
    if (edit == nullptr)
        return;
    if (edit == Edit(m_ids.gainEdit)) {
        emit gainTyped(Edit(m_ids.gainEdit)->text());
        return;
    }
    for (int f = 0; f < kCompFieldCount; ++f) {
        QLineEdit* field = Edit(m_ids.compEdits[f]);
        if (edit == field && !field->isReadOnly())
            emit compressorTyped(kCompFields[f], field->text());
    }
}
