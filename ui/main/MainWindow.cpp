#include "ui/main/MainWindow.h"

#include "model/ChannelEqualizer.h"
#include "ui/common/Language.h"
#include "ui/common/UnitAdapter.h"
#include "ui/controls/ControlId.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/ResourceImage.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/controls/SpinButton.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/main/AboutDialog.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/NumberEdit.h"
#include "ui/settings/FilterFiles.h"
#include "ui/settings/SettingsFiles.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QTimerEvent>

#include <cmath>

namespace {

constexpr int kComboHeightDu = 13;     // the visible field of a drop-down list
constexpr int kListItemPixels = 18;
constexpr int kFontPixels = 12;
constexpr int kIconId = 128;

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

int ToPixels(int dialogUnits)
{
    return static_cast<int>(std::lround(dialogUnits * CMainWindow::kPixelsPerDialogUnit));
}

QRect ItemRect(const ControlSpec& item)
{
    const int cy = item.kind == ItemKind::DropDown ? kComboHeightDu : item.cy;
    return QRect(ToPixels(item.x), ToPixels(item.y), ToPixels(item.cx), ToPixels(cy));
}

constexpr ChannelField kCompFields[kCompFieldCount] = {ChannelField::CompThreshold, ChannelField::CompAttack,
                                                       ChannelField::CompRelease, ChannelField::CompRatio};

// Typing is limited to signed decimal numbers: digits, ".", "-" and backspace. Of the
// Ctrl+letters only a number edit's own editing shortcuts get through.
bool IsCharacterRejected(const QObject* target, const QKeyEvent* key)
{
    if (key->key() == Qt::Key_Delete)
        return false;
    if (qobject_cast<const CNumberEdit*>(target) && CNumberEdit::IsEditShortcut(key))
        return false;
    if ((key->modifiers() & Qt::ControlModifier) && key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z)
        return true;
    for (const QChar ch : key->text()) {
        const bool allowed = ch.isDigit() && ch.unicode() < 0x80;
        if (!allowed && ch != u'.' && ch != u'-' && ch != u'\b')
            return true;
    }
    return false;
}

bool IsEnterOrEscape(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

}  // namespace

CMainWindow::CMainWindow(CUnitAdapter& unit, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_unit(unit),
      m_hIcon(QPixmap::fromImage(LoadResourceImage(kIconId)))
{
    CreateControls();
    OnInitDialog();
}

// The window hides while its members are still there: a graph that loses the focus as it goes
// still ends its burst of keys into the undo history.
CMainWindow::~CMainWindow()
{
    hide();
}

QWidget* CMainWindow::Control(int id) const
{
    return m_controls.value(id, nullptr);
}

QComboBox* CMainWindow::List(int id) const
{
    return qobject_cast<QComboBox*>(Control(id));
}

QLineEdit* CMainWindow::Edit(int id) const
{
    return qobject_cast<QLineEdit*>(Control(id));
}

CSkinnedButton* CMainWindow::SkinButton(int id) const
{
    return qobject_cast<CSkinnedButton*>(Control(id));
}

CMeterLamp* CMainWindow::Lamp(int id) const
{
    return qobject_cast<CMeterLamp*>(Control(id));
}

CGainFader* CMainWindow::Fader(int channel) const
{
    return qobject_cast<CGainFader*>(Control(kIdFader + channel));
}

CEqualizerGraph* CMainWindow::Graph(int channel) const
{
    return qobject_cast<CEqualizerGraph*>(Control(kIdGraph + channel));
}

void CMainWindow::CreateControls()
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(kFontPixels);
    setFont(font);
    for (const ControlSpec& item : MainWindowControls()) {
        QWidget* control = CreateControl(item);
        SetControlId(control, item.id);
        m_controls.insert(item.id, control);
        control->setGeometry(ItemRect(item));
        control->setVisible(!(item.flags & kItemHidden));
        if (item.flags & kItemDisabled)
            control->setEnabled(false);
    }
    CreateStatusText();
    ConnectControls();
    InstallKeyFilter();
}

QWidget* CMainWindow::CreateControl(const ControlSpec& item)
{
    const QString text = QString::fromUtf8(item.text);
    switch (item.kind) {
    case ItemKind::GroupBox:
        return new QGroupBox(text, this);
    case ItemKind::Label:
        return new QLabel(text, this);
    case ItemKind::DropDown: {
        auto* list = new QComboBox(this);
        list->setMaxVisibleItems(std::max(5, ToPixels(item.cy - kComboHeightDu) / kListItemPixels));
        return list;
    }
    case ItemKind::Edit: {
        auto* edit = new CNumberEdit(this);
        edit->setAlignment(Qt::AlignCenter);
        edit->setReadOnly(item.flags & kItemReadOnly);
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        edit->setAcceptDrops(false);
        return edit;
    }
    case ItemKind::Spin:
        return new CSpinButton(this);
    case ItemKind::SkinButton:
        return new CSkinnedButton(this);
    case ItemKind::Lamp:
        return new CMeterLamp(this);
    case ItemKind::Fader:
        return new CGainFader(this);
    case ItemKind::Graph:
        return new CEqualizerGraph(this);
    }
    return new QWidget(this);
}

void CMainWindow::ConnectControls()
{
    for (int c = 0; c < kChannelCount; ++c)
        ConnectChannelControls(c);
    ConnectLists();
    ConnectButtons();
}

void CMainWindow::ConnectChannelControls(int c)
{
    const ChannelControlIds& ids = kChannelControls[c];
    auto* gainSpin = qobject_cast<CSpinButton*>(Control(ids.gainSpin));
    connect(gainSpin, &CSpinButton::stepped, this, [this, c](int step) { AsOneStep([=, this] { StepGain(c, step); }); });
    for (int f = 0; f < kCompFieldCount; ++f) {
        const ChannelField field = kCompFields[f];
        auto* spin = qobject_cast<CSpinButton*>(Control(ids.compSpins[f]));
        connect(spin, &CSpinButton::stepped, this,
                [this, c, field](int step) { AsOneStep([=, this] { StepCompressor(c, field, step); }); });
        m_editCommits.insert(Edit(ids.compEdits[f]), [this, c, field] { CommitCompressorEdit(c, field); });
    }
    m_editCommits.insert(Edit(ids.gainEdit), [this, c] { CommitGainEdit(c); });
    connect(Fader(c), &CGainFader::faderMoving, this, [this, c] { OnFaderMoved(c, false); });
    connect(Fader(c), &CGainFader::faderMoved, this, [this, c] { OnFaderMoved(c, true); });
    connect(Graph(c), &CEqualizerGraph::bandChanged, this, &CMainWindow::OnGraphBandChanged);
    connect(Graph(c), &CEqualizerGraph::dragFinished, this, [this] { EndEdit(); });
}

// A list choice is one step of the history, also when it picks the entry shown.
void CMainWindow::ConnectList(int id, const std::function<void(int)>& pick)
{
    connect(List(id), &QComboBox::activated, this, [this, pick](int index) {
        if (index >= 0)
            AsOneStep([&] { pick(index); });
    });
}

void CMainWindow::ConnectLists()
{
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelControlIds& ids = kChannelControls[c];
        ConnectList(ids.frequencyShift, [this, c](int index) { SetFreqShift(c, index); });
        ConnectList(ids.noiseGate, [this, c](int index) { SetGateThreshold(c, index); });
        ConnectList(ids.staticNotchCount, [this, c](int index) { SetStaticNotchCount(c, index); });
    }
    ConnectList(kIdDetectSpeed, [this](int index) { SetDetectSpeed(index); });
    ConnectList(kIdPanelLock, [this](int index) { SetPanelLock(index); });
    ConnectList(kIdChannelLink, [this](int index) { SetChannelLink(index); });
}

// A button that changes the unit's settings is one step of the history.
void CMainWindow::ConnectButton(int id, const std::function<void()>& press, bool editing)
{
    connect(SkinButton(id), &QAbstractButton::clicked, this, [this, press, editing] {
        if (editing)
            AsOneStep(press);
        else
            press();
    });
}

void CMainWindow::ConnectButtons()
{
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelControlIds& ids = kChannelControls[c];
        ConnectButton(ids.mute, [this, c] { ToggleMute(c); }, true);
        ConnectButton(ids.peqBypass, [this, c] { TogglePeqBypass(c); }, true);
        ConnectButton(ids.notchBypass, [this, c] { ToggleNotchBypass(c); }, true);
        ConnectButton(ids.notchClear, [this, c] { ClearNotches(c); }, true);
    }
    ConnectButton(kIdLanguage, [this] { ToggleLanguage(); }, true);
    ConnectButton(kIdConnect, [this] { OnConnectClicked(); }, false);
    ConnectButton(kIdLoad, [this] { OpenLoadDialog(); }, false);
    ConnectButton(kIdSave, [this] { OpenSaveDialog(); }, false);
    ConnectButton(kIdImport, [this] { m_settingsFiles->Import(); }, false);
    ConnectButton(kIdExport, [this] { m_settingsFiles->Export(); }, false);
}

void CMainWindow::InstallKeyFilter()
{
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool CMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsEnterOrEscape(key->key()))
            setFocus(Qt::OtherFocusReason);
        if (qobject_cast<CEqualizerGraph*>(watched))
            return false;   // every key of a graph is its own, Tab too
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            return watched != this;
        return IsCharacterRejected(watched, key);
    }
    // An edit's own context menu leaves the focus where it is.
    if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        const auto commit = m_editCommits.constFind(watched);
        if (commit != m_editCommits.constEnd())
            AsOneStep(*commit);
    }
    return QDialog::eventFilter(watched, event);
}

// Tab reaches only the graphs: from the window into one, from one graph to the other. Every
// other control keeps the focus, as the window always had it.
bool CMainWindow::focusNextPrevChild(bool next)
{
    int from = -1;
    for (int c = 0; c < kChannelCount; ++c) {
        if (Graph(c)->hasFocus())
            from = c;
    }
    if (from < 0 && focusWidget() != nullptr && focusWidget() != this)
        return false;
    const int to = from < 0 ? (next ? 0 : kChannelCount - 1) : (from + (next ? 1 : kChannelCount - 1)) % kChannelCount;
    Graph(to)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void CMainWindow::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape never end the dialog.
    if (IsEnterOrEscape(event->key())) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CMainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ApplyLanguage();
    QDialog::changeEvent(event);
}

void CMainWindow::OnInitDialog()
{
    UpdateTitle();
    setWindowIcon(m_hIcon);
    setFocusPolicy(Qt::ClickFocus);
    move(0, 0);
    resize(kWindowWidth, kWindowHeight);
    SetCurrentLanguage(SystemLanguage());
    CreateUndoActions();
    CreateCompareAction();
    SetupGraphs();
    SetupFaders();
    AttachSpins();
    FillFixedLists();
    SetupLamps();
    SetupAccessibility();
    m_settingsFiles = new CSettingsFiles(this, m_unit);
    CreateRemoteControl();
    m_filterFiles = new CFilterFiles(this, m_unit);
    connect(&m_unit, &CUnitAdapter::settingsChanged, this, &CMainWindow::OnSettingsChanged);
    connect(&m_unit, &CUnitAdapter::commandFinished, this, &CMainWindow::OnCommandFinished);
    connect(&m_unit, &CUnitAdapter::connectionChanged, this, &CMainWindow::OnConnectionChanged);
    connect(&m_unit, &CUnitAdapter::meterLampsShown, this, &CMainWindow::OnMeterLamps);
    connect(&m_unit, &CUnitAdapter::attachedUnitsChanged, this, &CMainWindow::UpdateTitle);
    SettingsChange everything;
    everything.everything = true;
    ShowSettings(everything);   // the window starts in the system's language, whatever the image's byte says
    ApplyLanguage();
    m_timer.start(kTimerPeriodMs, this);
}

void CMainWindow::SetupGraphs()
{
    for (int c = 0; c < kChannelCount; ++c)
        Graph(c)->Attach(m_unit.Unit().Equalizers().Channel(c), c);
}

void CMainWindow::SetupFaders()
{
    for (int c = 0; c < kChannelCount; ++c) {
        CGainFader* fader = Fader(c);
        fader->SetChannelImages(kFaderScaleImage, kFaderScaleImage, true, CGainFader::kColourFromPixel, 0, 0);
        fader->SetThumbImages(kKnobImage, kKnobDraggedImage, true, CGainFader::kColourFromPixel, 0, 0);
        fader->SetMargins(kKnobLeftMargin, 0, 0, 1);
        fader->SetVertical(true);
        fader->SetRange(0, kGainCodeMax, false);
    }
}

// Each spin steps the edit of its field.
void CMainWindow::AttachSpins()
{
    for (const ChannelControlIds& ids : kChannelControls) {
        qobject_cast<CSpinButton*>(Control(ids.gainSpin))->SetBuddy(Edit(ids.gainEdit));
        for (int f = 0; f < kCompFieldCount; ++f)
            qobject_cast<CSpinButton*>(Control(ids.compSpins[f]))->SetBuddy(Edit(ids.compEdits[f]));
    }
}

void CMainWindow::FillFixedLists()
{
    for (const ChannelControlIds& ids : kChannelControls) {
        FillList(ids.staticNotchCount, StaticNotchEntries());
        FillList(ids.noiseGate, NoiseGateEntries());
        FillList(ids.frequencyShift, FreqShiftEntries());
    }
}

void CMainWindow::SetupLamps()
{
    for (const ChannelControlIds& ids : kChannelControls) {
        for (int j = 0; j < kGreenLamps; ++j)
            Lamp(ids.firstLamp + j)->SetLampImages(kGreenLampLit, kGreenLampDark);
        Lamp(ids.firstLamp + kGreenLamps)->SetLampImages(kYellowLampLit, kYellowLampDark);
        Lamp(ids.firstLamp + kGreenLamps + 1)->SetLampImages(kRedLampLit, kRedLampDark);
    }
}

void CMainWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_linkStarted) {
        m_linkStarted = true;
        m_unit.Unit().Start();
    }
}

void CMainWindow::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        OnTimer();
    else
        QDialog::timerEvent(event);
}

void CMainWindow::OnTimer()
{
    m_unit.Unit().Tick();
    WarnWhenStillLost();
    m_settingsFiles->Tick();
    UpdateStatusText();
}

// Over a graph the menu begins with that channel's filter files.
void CMainWindow::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    int graph = -1;
    for (int c = 0; c < kChannelCount; ++c) {
        if (!Graph(c)->geometry().contains(event->pos()))
            continue;
        graph = c;
        menu.addAction(tr("Import filters…"), this, [this, c] { ImportFilters(c); });
        menu.addAction(tr("Export filters…"), this, [this, c] { ExportFilters(c); });
        menu.addSeparator();
    }
    menu.addAction(m_undoAction);
    menu.addAction(m_redoAction);
    menu.addSeparator();
    if (graph >= 0)
        AddMeasurementActions(menu, graph);
    AddCompareEntries(menu);
    menu.addSeparator();
    AddUnitEntries(menu);
    QAction* name = menu.addAction(tr("Name this unit…"), this, &CMainWindow::NameThisUnit);
    name->setEnabled(m_unit.Unit().IsConnected());
    menu.addAction(tr("Remote control…"), this, &CMainWindow::OpenRemoteDialog);
    menu.addAction(AboutMenuText(), this, &CMainWindow::ShowAboutBox);
    menu.exec(event->globalPos());
}

// The USB, Load and Save buttons' actions, for the keyboard: the menu key opens this menu.
void CMainWindow::AddUnitEntries(QMenu& menu)
{
    menu.addAction(m_unit.Unit().IsConnected() ? tr("Disconnect") : tr("Connect"), this,
                   &CMainWindow::OnConnectClicked);
    menu.addAction(tr("Load a preset…"), this, &CMainWindow::OpenLoadDialog);
    menu.addAction(tr("Save a preset…"), this, &CMainWindow::OpenSaveDialog);
}

void CMainWindow::ImportFilters(int channel)
{
    AsOneStep([this, channel] { m_filterFiles->Import(channel); });
}

void CMainWindow::ExportFilters(int channel)
{
    m_filterFiles->Export(channel);
}

void CMainWindow::ShowAboutBox()
{
    CAboutDialog about(this);
    about.exec();
}
