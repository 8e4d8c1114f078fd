#include "ui/main/MainWindow.h"

#include "model/ChannelEqualizer.h"
#include "ui/common/Language.h"
#include "ui/common/Logging.h"
#include "ui/common/UnitAdapter.h"
#include "ui/controls/ChoiceList.h"
#include "ui/controls/ControlId.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/ResourceImage.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/main/AboutDialog.h"
#include "ui/main/ChannelPanel.h"
#include "ui/main/DialogLayout.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/NumberEdit.h"
#include "ui/settings/FilterFiles.h"
#include "ui/settings/SettingsFiles.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QSettings>
#include <QTimerEvent>

namespace {

constexpr int kFontPixels = 12;
constexpr int kIconId = 128;

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

// The language comes first, so that every control is made in it.
CMainWindow::CMainWindow(CUnitAdapter& unit, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_unit(unit),
      m_hIcon(QPixmap::fromImage(LoadResourceImage(kIconId)))
{
    SetCurrentLanguage(SystemLanguage());
    StartupMark("language");
    CreateControls();
    OnInitDialog();
    StartupMark("window made");
}

// The window hides while its members are still there: a graph that loses the focus as it goes
// still ends its burst of keys into the undo history.
CMainWindow::~CMainWindow()
{
    hide();
}

QWidget* CMainWindow::Control(int id) const
{
    if (QWidget* own = m_controls.value(id, nullptr))
        return own;
    for (const CChannelPanel* panel : m_panels) {
        if (QWidget* control = panel ? panel->Control(id) : nullptr)
            return control;
    }
    return nullptr;
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
    return m_panels[channel]->Fader();
}

CEqualizerGraph* CMainWindow::Graph(int channel) const
{
    return m_panels[channel]->Graph();
}

void CMainWindow::CreateControls()
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(kFontPixels);
    setFont(font);
    // the channels first: the keyboard starts on CH A's graph
    for (int c = 0; c < kChannelCount; ++c)
        m_panels[c] = new CChannelPanel(c, this);
    StartupMark("channel panels made");
    for (const ControlSpec& item : MainWindowControls()) {
        QWidget* control = CreateControl(item);
        SetControlId(control, item.id);
        m_controls.insert(item.id, control);
        control->setGeometry(PixelRect(item));
        control->setVisible(!(item.flags & kItemHidden));
    }
    CreateStatusText();
    LayOut();
    ConnectControls();
    InstallKeyFilter();
    StartupMark("window's controls made and laid out");
}

QWidget* CMainWindow::CreateControl(const ControlSpec& item)
{
    switch (item.kind) {
    case ItemKind::Label:
        return new QLabel(this);
    case ItemKind::DropDown: {
        auto* list = new CChoiceList(this);
        list->setMaxVisibleItems(VisibleListEntries(item));
        return list;
    }
    default:
        return new CSkinnedButton(this);
    }
}

// The top row and the two channel panels, as the template places them at 1200 x 725; larger,
// the panels share the room and the buttons from Load on keep to the right edge.
void CMainWindow::LayOut()
{
    std::vector<DesignedChild> children;
    for (const ControlSpec& item : MainWindowControls()) {
        if (!(item.flags & kItemHidden)) {
            QWidget* control = Control(item.id);
            children.push_back({control, control->geometry(), item.flags & kItemKeepsRight ? kKeepsToTheRight : kGrowsNot});
        }
    }
    children.push_back({m_statusText, m_statusText->geometry(), kGrowsNot});
    for (CChannelPanel* panel : m_panels)
        children.push_back({panel, CChannelPanel::DesignRect(panel->Channel()), kGrowsBoth});
    LayOutAsDesigned(*this, children, QSize(kWindowWidth, kWindowHeight));
}

void CMainWindow::ConnectControls()
{
    for (const CChannelPanel* panel : m_panels)
        ConnectPanel(*panel);
    ConnectList(kIdDetectSpeed, [this](int index) { SetDetectSpeed(index); });
    ConnectList(kIdPanelLock, [this](int index) { SetPanelLock(index); });
    ConnectList(kIdChannelLink, [this](int index) { SetChannelLink(index); });
    ConnectButton(kIdLanguage, [this] { ToggleLanguage(); }, true);
    ConnectButton(kIdConnect, [this] { OnConnectClicked(); }, false);
    ConnectButton(kIdLoad, [this] { OpenLoadDialog(); }, false);
    ConnectButton(kIdSave, [this] { OpenSaveDialog(); }, false);
    ConnectButton(kIdImport, [this] { m_settingsFiles->Import(); }, false);
    ConnectButton(kIdExport, [this] { m_settingsFiles->Export(); }, false);
}

// What the user does in a channel panel is one step of the history, made on that channel; a drag
// of the fader or of a band is one from its first move to its release.
void CMainWindow::ConnectPanel(const CChannelPanel& panel)
{
    const int c = panel.Channel();
    connect(&panel, &CChannelPanel::muteClicked, this, [=, this] { AsOneStep([&] { ToggleMute(c); }); });
    connect(&panel, &CChannelPanel::peqBypassClicked, this, [=, this] { AsOneStep([&] { TogglePeqBypass(c); }); });
    connect(&panel, &CChannelPanel::notchBypassClicked, this, [=, this] { AsOneStep([&] { ToggleNotchBypass(c); }); });
    connect(&panel, &CChannelPanel::notchClearClicked, this, [=, this] { AsOneStep([&] { ClearNotches(c); }); });
    connect(&panel, &CChannelPanel::gainStepped, this, [=, this](int step) { AsOneStep([&] { StepGain(c, step); }); });
    connect(&panel, &CChannelPanel::compressorStepped, this,
            [=, this](ChannelField field, int step) { AsOneStep([&] { StepCompressor(c, field, step); }); });
    connect(&panel, &CChannelPanel::gainTyped, this,
            [=, this](const QString& text) { AsOneStep([&] { CommitGainEdit(c, text); }); });
    connect(&panel, &CChannelPanel::compressorTyped, this,
            [=, this](ChannelField field, const QString& text) { AsOneStep([&] { CommitCompressorEdit(c, field, text); }); });
    connect(&panel, &CChannelPanel::frequencyShiftPicked, this,
            [=, this](int index) { AsOneStep([&] { SetFreqShift(c, index); }); });
    connect(&panel, &CChannelPanel::noiseGatePicked, this,
            [=, this](int index) { AsOneStep([&] { SetGateThreshold(c, index); }); });
    connect(&panel, &CChannelPanel::staticNotchCountPicked, this,
            [=, this](int index) { AsOneStep([&] { SetStaticNotchCount(c, index); }); });
    connect(&panel, &CChannelPanel::faderMoved, this,
            [=, this](int gainCode, bool ended) { OnFaderMoved(c, gainCode, ended); });
    connect(&panel, &CChannelPanel::bandChanged, this, &CMainWindow::OnGraphBandChanged);
    connect(&panel, &CChannelPanel::bandDragFinished, this, [this] { EndEdit(); });
}

// A list choice is one step of the history, also when it picks the entry shown.
void CMainWindow::ConnectList(int id, const std::function<void(int)>& pick)
{
    connect(List(id), &QComboBox::activated, this, [this, pick](int index) {
        if (index >= 0)
            AsOneStep([&] { pick(index); });
    });
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

void CMainWindow::InstallKeyFilter()
{
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool CMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsEnterOrEscape(key->key()))
        setFocus(Qt::OtherFocusReason);
    if (qobject_cast<CEqualizerGraph*>(watched))
        return false;   // every key of a graph is its own, Tab too
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        return watched != this;
    return IsCharacterRejected(watched, key);
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

// The translator installed while the window was being made tells it too: what it applied then stays.
void CMainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange && CurrentLanguage() != m_appliedLanguage)
        ApplyLanguage();
    QDialog::changeEvent(event);
}

void CMainWindow::OnInitDialog()
{
    UpdateTitle();
    setWindowIcon(m_hIcon);
    setFocusPolicy(Qt::ClickFocus);
    PlaceWindow();
    CreateUndoActions();
    CreateCompareAction();
    AttachGraphs();
    SetupAccessibility();
    StartupMark("graphs attached");
    m_settingsFiles = new CSettingsFiles(this, m_unit);
    QMetaObject::invokeMethod(this, [this] { RemoteControl(); }, Qt::QueuedConnection);
    m_filterFiles = new CFilterFiles(this, m_unit);
    StartupMark("settings files made");
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
    StartupMark("settings shown");
}

// Where the window was when it last closed, else at the screen's top-left corner at its design size.
void CMainWindow::PlaceWindow()
{
    if (restoreGeometry(QSettings().value(QLatin1String(kGeometryKey)).toByteArray()))
        return;
    move(0, 0);
    resize(kWindowWidth, kWindowHeight);
}

void CMainWindow::done(int result)
{
    QSettings().setValue(QLatin1String(kGeometryKey), saveGeometry());
    QDialog::done(result);
}

void CMainWindow::AttachGraphs()
{
    for (int c = 0; c < kChannelCount; ++c)
        Graph(c)->Attach(m_unit.Unit().Equalizers().Channel(c), c);
}

void CMainWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_linkStarted) {
        m_linkStarted = true;
        m_unit.Unit().Start();
        StartupMark("link started");
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
        if (!Graph(c)->rect().contains(Graph(c)->mapFrom(this, event->pos())))
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
