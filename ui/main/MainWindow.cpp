#include "ui/main/MainWindow.h"

#include "model/ChannelEqualizer.h"
#include "protocol/Communication.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/ControlId.h"
#include "ui/controls/ResourceImage.h"
#include "ui/controls/SpinButton.h"
#include "ui/controls/WindowMessage.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SkinnedButton.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/main/NumberEdit.h"
#include "ui/main/AboutDialog.h"
#include "ui/main/MainWindowState.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/SchedulerPump.h"
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

std::atomic<CMainWindow*> g_pMainDlg{nullptr};

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

bool IsEditId(int id)
{
    return (id >= kIdCompEdit && id < kIdCompEdit + 8) || id == kIdGainEdit || id == kIdGainEdit + 1;
}

// Each spin steps the edit at the same place in its row of ids.
int SpinBuddy(int spinId)
{
    return spinId < kIdGainSpin ? kIdCompEdit + (spinId - kIdCompSpin) : kIdGainEdit + (spinId - kIdGainSpin);
}

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

CMainWindow::CMainWindow(LinkHandlers link, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_link(std::move(link)),
      m_hIcon(QPixmap::fromImage(LoadResourceImage(kIconId)))
{
    CreateControls();
    OnInitDialog();
}

CMainWindow::~CMainWindow()
{
    CMainWindow* self = this;
    g_pMainDlg.compare_exchange_strong(self, nullptr);
    SetLampHook(nullptr);
    SetDeviceRefreshHook(nullptr);
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
        ConnectControl(item.id, control);
    }
    CreateStatusText();
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

void CMainWindow::ConnectControl(int id, QWidget* control)
{
    if (auto* list = qobject_cast<QComboBox*>(control)) {
        connect(list, &QComboBox::activated, this, [this, id](int index) { OnListSelected(id, index); });
    } else if (auto* button = qobject_cast<CSkinnedButton*>(control)) {
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnButtonClicked(id); });
    } else if (auto* spin = qobject_cast<CSpinButton*>(control)) {
        connect(spin, &CSpinButton::Stepped, this, [this, id](int step) { OnSpinStepped(id, step); });
    }
}

void CMainWindow::OnSpinStepped(int id, int step)
{
    AsOneStep([this, id, step] { StepSpin(id, step); });
}

// The spin reports +1 for its up arrow; the handler takes a delta that raises when negative.
void CMainWindow::StepSpin(int id, int step)
{
    if (id >= kIdGainSpin)
        StepChannelValue(Gain, id - kIdGainSpin, 0, -step);
    else
        StepChannelValue(Compressor, (id - kIdCompSpin) / 4, 1 << ((id - kIdCompSpin) % 4), -step);
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
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            return true;
        return IsCharacterRejected(watched, key);
    }
    // An edit's own context menu leaves the focus where it is.
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        const int id = ControlId(watched);
        if (IsEditId(id))
            OnEditKillFocus(id);
    }
    return QDialog::eventFilter(watched, event);
}

bool CMainWindow::focusNextPrevChild(bool)
{
    return false;
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

void CMainWindow::OnInitDialog()
{
    setWindowTitle(QStringLiteral("V2.0.3"));
    setWindowIcon(m_hIcon);
    setFocusPolicy(Qt::ClickFocus);
    move(0, 0);
    resize(kWindowWidth, kWindowHeight);
    g_LanguageChinese = SystemLanguage();
    BuildEqualizers(false);
    CreateUndoActions();
    SetupGraphs();
    SetupFaders();
    AttachSpins();
    SelectListsFromImage();
    SetupLamps();
    SaveBandGains();
    ApplyLanguage();
    UpdatePeqBypassState(0);
    UpdatePeqBypassState(1);
    m_timer.start(kTimerPeriodMs, this);
    SetLampHook([this](int channel, int lamp, bool lit) {
        if (CMeterLamp* button = Lamp((channel == 0 ? kIdLampA : kIdLampB) + lamp))
            button->SetLit(lit);
    });
    SetDeviceRefreshHook([](int lParam) {
        if (CMainWindow* dlg = g_pMainDlg.load())
            PostWindowMessage(dlg, WM_DEVICE_REFRESH, 0, lParam);
    });
    connect(&CSchedulerPump::Instance(), &CSchedulerPump::CommandFinished, this, &CMainWindow::OnCommandFinished);
    m_settingsFiles = new CSettingsFiles(this);
    connect(m_settingsFiles, &CSettingsFiles::ImageChanged, this, [this] {
        ClearHistory();
        OnDeviceRefresh(0, kRefreshAll);
    });
    UpdateStatusText();
    g_pMainDlg = this;
}

void CMainWindow::SetupGraphs()
{
    for (int c = 0; c < kChannelCount; ++c) {
        CEqualizerGraph* graph = Graph(c);
        graph->SetPlotLayout();
        graph->SetParentWnd(this);
        graph->AttachChannel(c);
    }
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
        fader->SetParentWnd(this);
        ShowChannelSection(Gain, c, 0, false);
        ShowChannelSection(Mute, c, 0, false);
        ShowChannelSection(Compressor, c, kAllCompFields, false);
    }
}

void CMainWindow::AttachSpins()
{
    for (int spinId = kIdCompSpin; spinId <= kIdGainSpin + 1; ++spinId) {
        auto* spin = qobject_cast<CSpinButton*>(Control(spinId));
        spin->SetBuddy(Edit(SpinBuddy(spinId)));
    }
}

void CMainWindow::SelectListsFromImage()
{
    FillList(kIdNotchCountA, StaticNotchEntries());
    FillList(kIdNotchCountB, StaticNotchEntries());
    FillList(kIdGateA, NoiseGateEntries());
    FillList(kIdGateB, NoiseGateEntries());
    FillList(kIdShiftA, FreqShiftEntries());
    FillList(kIdShiftB, FreqShiftEntries());
    ChannelBlock a, b;
    {
        ImageLock lock(g_ImageMutex);
        a = g_ChannelBlocks[0];
        b = g_ChannelBlocks[1];
    }
    SelectEntry(kIdDetectSpeed, a.detectSpeed, a.detectSpeed);
    SelectEntry(kIdGateA, NoiseGateEntry(a.gateThreshold), a.gateThreshold);
    SelectEntry(kIdGateB, NoiseGateEntry(b.gateThreshold), b.gateThreshold);
    SelectEntry(kIdShiftA, a.freqShift, a.freqShift);
    SelectEntry(kIdShiftB, b.freqShift, b.freqShift);
    SelectEntry(kIdNotchCountA, a.staticNotchCount, a.staticNotchCount);
    SelectEntry(kIdNotchCountB, b.staticNotchCount, b.staticNotchCount);
}

void CMainWindow::SetupLamps()
{
    for (int first : {kIdLampA, kIdLampB}) {
        for (int j = 0; j < kGreenLamps; ++j)
            Lamp(first + j)->SetLampImages(kGreenLampLit, kGreenLampDark);
        Lamp(first + kGreenLamps)->SetLampImages(kYellowLampLit, kYellowLampDark);
        Lamp(first + kGreenLamps + 1)->SetLampImages(kRedLampLit, kRedLampDark);
    }
}

void CMainWindow::SaveBandGains()
{
    ImageLock lock(g_ImageMutex);
    for (int c = 0; c < kChannelCount; ++c)
        for (int k = 0; k < kBandCount; ++k)
            g_SavedBandGains[c][k] = g_ChannelBlocks[c].bands[k].gainCode.Get();
}

bool CMainWindow::event(QEvent* event)
{
    switch (ReceivedEventType(event)) {
    case WM_DEVICE_REFRESH: {
        auto* message = static_cast<CWindowMessage*>(event);
        if (message->LParam() != kRefreshNotches)
            ClearHistory();   // the unit's settings replace the window's
        OnDeviceRefresh(message->WParam(), message->LParam());
        return true;
    }
    case WM_GRAPH_BAND_CHANGED: {
        auto* message = static_cast<CWindowMessage*>(event);
        BeginEditIfNone();
        StoreGraphBand(message->WParam(), message->LParam());
        return true;
    }
    case WM_GRAPH_DRAG_DONE:
        EndEdit();
        return true;
    case WM_FADER_MOVING:
    case WM_FADER_MOVED: {
        auto* message = static_cast<CWindowMessage*>(event);
        BeginEditIfNone();
        OnFaderMoved(message->WParam(), message->LParam());
        if (message->Message() == WM_FADER_MOVED)
            EndEdit();
        return true;
    }
    default:
        return QDialog::event(event);
    }
}

void CMainWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_linkStarted) {
        m_linkStarted = true;
        if (m_link.startLink)
            m_link.startLink();
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
    SchedulerTick();
    if (m_link.tick)
        m_link.tick();
    RefreshMeters();
    UpdateStatusText();
}

void CMainWindow::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(m_undoAction);
    menu.addAction(m_redoAction);
    menu.addSeparator();
    menu.addAction(AboutMenuText(), this, &CMainWindow::ShowAboutBox);
    menu.exec(event->globalPos());
}

void CMainWindow::ShowAboutBox()
{
    CAboutDialog about(this);
    about.exec();
}
