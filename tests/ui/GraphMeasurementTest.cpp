// A measured response on the graph with the result the equalizer gives it: the
// values per plot column, the pixels of both lines and their legend, a drag step
// that moves the result by exactly the equalizer's change, hiding both.
// The plot is (35, 10) .. (762, 266): column c of the plot is pixel column 35 + c,
// and 1000 Hz is plot column 411 (pixel column 446).
#include "GraphTestSupport.h"

#include <cmath>

namespace graphtest {
namespace {

constexpr int kPlotWidth = 727;
constexpr int kPlotHeight = 256;
constexpr int kColumn1000Hz = 411;
constexpr int kPixelColumn1000Hz = 35 + kColumn1000Hz;

bool IsMeasuredColour(QRgb c) { return qRed(c) < 80 && qGreen(c) >= 120 && qBlue(c) >= 150; }
bool IsPredictedColour(QRgb c) { return qRed(c) >= 180 && qGreen(c) >= 130 && qBlue(c) < 80; }

// The pixel row on which a level's line is centred.
int RowOf(double db) { return static_cast<int>(GainToPlotY(db, kPlotHeight) + kPlotInsetY + 0.5f); }

template <class Test>
int CountPixels(const QImage& image, const QRect& rect, Test test)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            count += test(image.pixel(x, y)) ? 1 : 0;
    return count;
}

class GraphMeasurement : public GraphFixture {
protected:
    std::vector<double> EqualizerColumns() { return GridColumns(m_model.Channel(0).ParametricResponse(), kPlotWidth); }

    const QRect m_plot{35, 10, kPlotWidth, kPlotHeight};
    // Below the lowest band handle (-12 dB, row 180) in the plot's lower left corner.
    const QRect m_legendCorner{36, 200, 120, 65};
};

const std::vector<MeasurementPoint> kFlatAtMinus10{{20, -10}, {20000, -10}};

TEST_F(GraphMeasurement, ShowsTheMeasurementAndThePredictionInTheirColours)
{
    SetBand(0, 1000, 180);   // +6 dB at 1000 Hz
    Graph().ShowMeasurement(kFlatAtMinus10);
    ASSERT_TRUE(Graph().HasMeasurement());

    const std::vector<double>& measured = Graph().MeasuredColumns();
    ASSERT_EQ(measured.size(), static_cast<std::size_t>(kPlotWidth));
    for (int x = 0; x < kPlotWidth; ++x)
        ASSERT_EQ(measured[x], -10.0) << "column " << x;
    const std::vector<double> predicted = Graph().PredictedColumns();
    const std::vector<double> equalizer = EqualizerColumns();
    for (int x = 0; x < kPlotWidth; ++x)
        ASSERT_EQ(predicted[x], -10.0 + equalizer[x]) << "column " << x;
    EXPECT_NEAR(predicted[kColumn1000Hz], -4.0, 0.05);
    EXPECT_NEAR(predicted[0], -10.0, 0.01) << "the band does not reach 20 Hz";

    const QImage image = Shot();
    const int measuredRow = RowOf(-10.0);   // 166
    const int predictedRow = RowOf(predicted[kColumn1000Hz]);
    EXPECT_EQ(measuredRow, 166);
    EXPECT_TRUE(ColumnShows(image, kPixelColumn1000Hz, measuredRow - 1, measuredRow + 1, IsMeasuredColour));
    EXPECT_TRUE(ColumnShows(image, kPixelColumn1000Hz, predictedRow - 1, predictedRow + 1, IsPredictedColour));
    EXPECT_FALSE(ColumnShows(image, kPixelColumn1000Hz, 11, predictedRow - 3, IsPredictedColour));
    EXPECT_FALSE(ColumnShows(image, kPixelColumn1000Hz, predictedRow + 3, 265, IsPredictedColour));
    // away from the band both lie on one row: the measured line stays in sight inside the wider
    // predicted one, whose edges show on either side of it
    EXPECT_TRUE(ColumnShows(image, 35 + 40, measuredRow, measuredRow + 1, IsMeasuredColour));
    EXPECT_TRUE(IsPredictedColour(image.pixel(35 + 40, measuredRow - 1)));
    EXPECT_TRUE(IsPredictedColour(image.pixel(35 + 40, measuredRow + 2)));
    EXPECT_GT(CountPixels(image, m_legendCorner, IsMeasuredColour), 0) << "the legend's sample";
    EXPECT_GT(CountPixels(image, m_legendCorner, IsPredictedColour), 0) << "the legend's sample";
}

TEST_F(GraphMeasurement, ADragStepMovesThePredictionByExactlyTheEqualizersChange)
{
    std::vector<MeasurementPoint> rising;
    for (double hz = 20; hz <= 20000; hz *= 1.1)
        rising.push_back({hz, 3.0 * std::log10(hz / 1000.0) - 15.0});
    Graph().ShowMeasurement(rising);
    SetBand(0, 1000, 120);
    const PlotPoint centre = HandleCentre(0);
    Hover(centre);
    Press(centre);

    PlotPoint at = centre;
    for (int step = 0; step < 3; ++step) {
        const std::vector<double> before = Graph().PredictedColumns();
        const std::vector<double> equalizerBefore = EqualizerColumns();
        const double gainBefore = Band(0).GainDb();
        at.y -= 15;
        DragTo(at);
        const std::vector<double> after = Graph().PredictedColumns();
        const std::vector<double> equalizerAfter = EqualizerColumns();
        const double gainChange = Band(0).GainDb() - gainBefore;
        ASSERT_GT(gainChange, 1.5) << "step " << step;
        for (int x = 0; x < kPlotWidth; ++x) {
            if (std::isnan(before[x])) {
                ASSERT_TRUE(std::isnan(after[x])) << "column " << x;
                continue;
            }
            ASSERT_NEAR(after[x] - before[x], equalizerAfter[x] - equalizerBefore[x], 1e-9)
                << "step " << step << ", column " << x;
        }
        EXPECT_NEAR(after[kColumn1000Hz] - before[kColumn1000Hz], gainChange, 0.05) << "step " << step;
        EXPECT_NEAR(after[10] - before[10], 0.0, 0.01) << "20 Hz is far from the band";
        const int row = RowOf(after[kColumn1000Hz]);
        EXPECT_TRUE(ColumnShows(Shot(), kPixelColumn1000Hz, row - 1, row + 1, IsPredictedColour)) << "step " << step;
    }
    Release(at);
}

// While bands are fitted the prediction is the measurement through the fit's response, and
// the channel's own again once the fit ends; the channel's curve stays as it is.
TEST_F(GraphMeasurement, APredictionOfOtherBandsStandsInForTheChannelsUntilItEnds)
{
    SetBand(0, 1000, 180);
    Graph().ShowMeasurement(kFlatAtMinus10);
    Response fitted{};
    for (int i = 0; i < kGridSize; ++i)
        fitted[i] = i >= kGridIndex1000Hz ? -4.0 : 0.0;
    Graph().ShowPrediction(fitted);
    EXPECT_TRUE(Graph().IsShowingPrediction());
    const std::vector<double> predicted = Graph().PredictedColumns();
    const std::vector<double> expected = GridColumns(fitted, kPlotWidth);
    for (int x = 0; x < kPlotWidth; ++x)
        ASSERT_EQ(predicted[x], -10.0 + expected[x]) << "column " << x;
    const int row = RowOf(-14.0);
    EXPECT_TRUE(ColumnShows(Shot(), 35 + 700, row - 1, row + 1, IsPredictedColour));
    EXPECT_NEAR(m_model.Channel(0).ParametricResponse()[kGridIndex1000Hz], 6.0, 0.01) << "the channel's bands stay";

    Graph().EndPrediction();
    EXPECT_FALSE(Graph().IsShowingPrediction());
    const std::vector<double> own = Graph().PredictedColumns();
    const std::vector<double> equalizer = EqualizerColumns();
    for (int x = 0; x < kPlotWidth; ++x)
        ASSERT_EQ(own[x], -10.0 + equalizer[x]) << "column " << x;
}

TEST_F(GraphMeasurement, HidingRemovesBothLinesAndTheLegend)
{
    SetBand(0, 1000, 180);
    Graph().ShowMeasurement(kFlatAtMinus10);
    const QImage shown = Shot();
    ASSERT_GT(CountPixels(shown, m_plot, IsMeasuredColour), 100);
    ASSERT_GT(CountPixels(shown, m_plot, IsPredictedColour), 100);

    Graph().HideMeasurement();
    EXPECT_FALSE(Graph().HasMeasurement());
    for (double value : Graph().PredictedColumns())
        ASSERT_TRUE(std::isnan(value));
    const QImage hidden = Shot();
    EXPECT_EQ(CountPixels(hidden, m_plot, IsMeasuredColour), 0);
    EXPECT_EQ(CountPixels(hidden, m_plot, IsPredictedColour), 0);
    EXPECT_EQ(CountPixels(hidden, m_legendCorner, [](QRgb c) { return qRed(c) > 150; }), 0) << "no legend text";
}

// Where the measurement does not reach, nothing is drawn; a new width resamples it.
TEST_F(GraphMeasurement, OnlyWhereThePointsReachAndForEveryWidth)
{
    Graph().ShowMeasurement(std::vector<MeasurementPoint>{{100, 2}, {10000, 2}});
    const std::vector<double>& measured = Graph().MeasuredColumns();
    EXPECT_TRUE(std::isnan(measured[168]));
    EXPECT_EQ(measured[170], 2.0);
    EXPECT_EQ(measured[652], 2.0);
    EXPECT_TRUE(std::isnan(measured[654]));
    const QImage image = Shot();
    EXPECT_FALSE(ColumnShows(image, 35 + 100, 11, 199, IsMeasuredColour));
    EXPECT_FALSE(ColumnShows(image, 35 + 700, 11, 265, IsPredictedColour));
    EXPECT_TRUE(ColumnShows(image, 35 + 400, RowOf(2.0) - 1, RowOf(2.0) + 1, IsPredictedColour));

    Graph().resize(kGraphWidth - 300, kGraphHeight);
    Graph().SetPlotLayout();
    ASSERT_EQ(Graph().PlotArea().Width(), kPlotWidth - 300);
    EXPECT_EQ(Graph().MeasuredColumns().size(), static_cast<std::size_t>(kPlotWidth - 300));
    EXPECT_EQ(Graph().MeasuredColumns()[FreqToPlotX(1000, kPlotWidth - 300)], 2.0);
}

}  // namespace
}  // namespace graphtest
