// The frequency-response graph of one channel's equalizer, on which the user picks
// and drags the twelve parametric bands.
#pragma once

#include "model/ValueTables.h"

#include <QCursor>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <cstdint>

class CFilter;
class CChannelEqualizer;

// Grid lines at 20 .. 100 Hz, 200 .. 1000 Hz and 2 .. 10 kHz; entry 0 is the plot's left edge.
constexpr int kGraphGridCount = 27;
extern const int kGraphGridHz[kGraphGridCount];

// The plot is the client area less these margins.
constexpr int kPlotMarginLeft = kPlotInsetX;
constexpr int kPlotMarginTop = kPlotInsetY;
constexpr int kPlotMarginRight = 10;
constexpr int kPlotMarginBottom = 20;

// The selected band's handles that the pointer can hover and drag.
enum class BandHandle { None, Centre, LeftWidth, RightWidth };

class CEqualizerGraph : public QWidget {
    Q_OBJECT

public:
    explicit CEqualizerGraph(QWidget* parent = nullptr);
    ~CEqualizerGraph() override;

    // Computes the plot and grid from the client size and lays out both equalizers on it.
    void SetPlotLayout();
    // The window that receives WM_GRAPH_BAND_CHANGED, posted for every drag
    // step that changed a band (the scheduler keeps only its latest value).
    void SetParentWnd(QObject* parent);
    // Shows channel 0 or 1 and enables the mouse.
    void AttachChannel(int channel);
    // Redraws the plot into the off-screen image at once and shows it.
    void Redraw();

    // The whole control as last drawn, in device pixels.
    const QImage& Image() const { return m_image; }
    const PlotRect& PlotArea() const { return m_rcPlot; }
    int GridX(int i) const { return m_gridX[i]; }
    int Channel() const { return m_nChannel; }
    CFilter* SelectedBand() const { return m_pSelBand; }
    int SelectedIndex() const { return m_nSelIndex; }
    bool IsHovering() const { return m_bHover; }
    // The selected band's handle under p, the centre tried first; None without a selection.
    BandHandle HandleAt(PlotPoint p) const;
    // The handle last found under the pointer (kept while its drag leaves it, cleared by a
    // release) and the handle being dragged.
    BandHandle HoveredHandle() const { return m_hovered; }
    BandHandle DraggedHandle() const { return m_dragged; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Interaction (EqualizerGraphMouse.cpp).
    bool OnPointerMove(PlotPoint p);
    void HoverHandle(BandHandle handle, PlotPoint p);
    bool PickBandAt(PlotPoint p);
    void StepDrag(PlotPoint p);
    void OnButtonPress(PlotPoint p);
    void OnButtonRelease();
    bool IsDragging() const;
    void ReportChange();
    void UpdateCursor();

    // Drawing (EqualizerGraphDraw.cpp).
    QSize DeviceSize() const;
    void EnsureFrame();
    void DrawFrame();
    void DrawPlot();
    const QImage& GridOverlay();
    void DrawCurves(QPainter& painter, const CChannelEqualizer& eq) const;
    void DrawBandLabels(QPainter& painter, CChannelEqualizer& eq) const;
    void DrawSelectedBand(QPainter& painter, CFilter& band) const;

    QPointer<QObject> m_pParent;
    CChannelEqualizer* m_pEq = nullptr;
    CFilter* m_pSelBand = nullptr;
    QCursor m_hDragCursor;
    int m_gridX[kGraphGridCount] = {};
    PlotRect m_rcClient;
    PlotRect m_rcPlot;
    BandHandle m_hovered = BandHandle::None;
    BandHandle m_dragged = BandHandle::None;
    bool m_bHover = false;   // the pointer is on a handle: the drag cursor shows
    int m_bChanged = 0;
    int m_nSelIndex = 0;
    int m_bActive = 0;
    int m_nChannel = 0;

    QImage m_image;         // the control as shown; outside the plot it caches the frame and labels
    QImage m_gridOverlay;   // the plot's grid on a transparent plot-sized image
};
