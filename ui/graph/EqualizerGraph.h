// The frequency-response graph of one channel's equalizer, on which the user picks
// and drags the twelve parametric bands.
#pragma once

#include "model/Filter.h"
#include "model/Measurement.h"
#include "model/ValueTables.h"

#include <QBasicTimer>
#include <QCursor>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

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

    // Shows the equalizer of channel 0 or 1, lays it out on the plot and enables the mouse.
    void Attach(CChannelEqualizer& equalizer, int channel);
    // Computes the plot and grid from the client size and lays out the equalizer on it.
    void SetPlotLayout();
    // The plot shows the equalizer as it is now.
    void Redraw();

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

    // Keyboard (EqualizerGraphKeys.cpp): the keys pick and edit bands. Key edits of one band
    // with no pause longer than kKeyBurstMs form a burst, which ends as a drag does.
    static constexpr int kKeyBurstMs = 500;
    // Ends the open burst at once, as its timer would; nothing without one.
    void EndKeyBurst();
    bool IsKeyBurstOpen() const { return m_keyBurstOpen; }
    // What a screen reader says of the graph and of its selected band (EqualizerGraphAccessible.cpp).
    QString SpokenName() const;
    QString SpokenBand() const;

    // Where a parametric band's number is drawn, whole inside the plot and clear of the numbers
    // of the bands before it; empty for a band without one. A number moved off its handle picks
    // its band too. The selected band's readout, its background with it; empty without one.
    QRect BandLabelRect(int band) const;
    QRect ReadoutRect() const;

signals:
    // A drag step or a key changed band (0..11) of the channel; its record holds the new values.
    void bandChanged(int channel, int band);
    // A drag or a burst of keys ended: the window makes it one step of its undo history.
    void dragFinished(int channel, int band);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;

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

    // Keyboard (EqualizerGraphKeys.cpp).
    int LastPickableBand() const;
    void PickBand(int index);
    bool EditSelectedBand(int key, int steps);
    void OnKeyEdit();
    void DrawFocusFrame(QPainter& painter) const;
    void ShowKeysHelp();
    void TellSelectedBand();

    // Drawing (EqualizerGraphDraw.cpp).
    void DrawFrame(QPainter& painter) const;
    void DrawPlot(QPainter& painter);
    void DrawGrid(QPainter& painter) const;
    void DrawCurves(QPainter& painter, const CChannelEqualizer& eq) const;
    void DrawBandLabels(QPainter& painter) const;
    void DrawSelectedBand(QPainter& painter, CFilter& band) const;
    // The graph's words over the plot (EqualizerGraphLabels.cpp).
    void DrawReadout(QPainter& painter, CFilter& band) const;
    struct BandLabel {
        QRect box;    // the rectangle the number is aligned in
        int flags;    // its alignment
        QRect text;   // what the number covers
    };
    std::vector<BandLabel> PlaceBandLabels() const;
    int BandAtLabel(PlotPoint p) const;

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

    // Keyboard.
    QBasicTimer m_keyBurst;
    bool m_keyBurstOpen = false;

    // A measured response shown with the result the channel's equalizer gives it
    // (EqualizerGraphMeasurement.cpp); showing one changes nothing in the unit.
public:
    void ShowMeasurement(std::span<const MeasurementPoint> points);
    void HideMeasurement();
    bool HasMeasurement() const { return !m_measured.IsEmpty(); }
    // Per plot column in dB, NaN where the measurement does not reach: the measurement
    // (resampled once per plot width), and the measurement plus the equalizer's curve.
    const std::vector<double>& MeasuredColumns();
    std::vector<double> PredictedColumns();
    const CMeasurementCurve& Measured() const { return m_measured; }
    // While bands are being fitted, the predicted line shows the measurement through the
    // fit's response instead of the channel's, until EndPrediction.
    void ShowPrediction(const Response& bands);
    void EndPrediction();
    bool IsShowingPrediction() const { return m_prediction.has_value(); }

private:
    void DrawMeasurement(QPainter& painter);
    const QImage& MeasuredOverlay();
    void DrawColumns(QPainter& painter, const std::vector<double>& columns, QPointF origin) const;
    void DrawMeasurementLegend(QPainter& painter) const;

    CMeasurementCurve m_measured;
    std::vector<double> m_measuredColumns;
    int m_measuredWidth = -1;   // of the plot m_measuredColumns is for
    QImage m_measuredOverlay;   // the measurement's line on a transparent plot-sized image
    std::optional<Response> m_prediction;
};
