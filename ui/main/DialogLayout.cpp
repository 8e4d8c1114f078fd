#include "ui/main/DialogLayout.h"

#include <QBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// The direction a box stacks its bands in.
enum class Axis { Down, Across };

int Start(const QRect& r, Axis axis)
{
    return axis == Axis::Down ? r.top() : r.left();
}

int End(const QRect& r, Axis axis)
{
    return axis == Axis::Down ? r.top() + r.height() : r.left() + r.width();
}

unsigned GrowthAlong(Axis axis)
{
    return axis == Axis::Down ? kGrowsTall : kGrowsWide;
}

// Children side by side along one axis: no child reaches from one band into the next.
struct Band {
    int start;
    int end;
    unsigned growth;
    std::vector<DesignedChild> children;
};

std::vector<Band> BandsAlong(std::vector<DesignedChild> children, Axis axis)
{
    std::sort(children.begin(), children.end(), [axis](const DesignedChild& a, const DesignedChild& b) {
        return Start(a.rect, axis) < Start(b.rect, axis);
    });
    std::vector<Band> bands;
    for (const DesignedChild& child : children) {
        if (bands.empty() || Start(child.rect, axis) >= bands.back().end)
            bands.push_back({Start(child.rect, axis), End(child.rect, axis), kGrowsNot, {}});
        Band& band = bands.back();
        band.end = std::max(band.end, End(child.rect, axis));
        band.growth |= child.growth;
        band.children.push_back(child);
    }
    return bands;
}

// The band's part of area: all of area across the axis.
QRect Slice(const QRect& area, const Band& band, Axis axis)
{
    if (axis == Axis::Down)
        return QRect(area.left(), band.start, area.width(), band.end - band.start);
    return QRect(band.start, area.top(), band.end - band.start, area.height());
}

QBoxLayout* NewBox(Axis axis)
{
    auto* box = new QBoxLayout(axis == Axis::Down ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    return box;
}

// A gap of its design size; one that grows lets what follows keep to the far edge.
void AddGap(QBoxLayout& box, int pixels, Axis axis, bool grows)
{
    if (grows) {
        const QSizePolicy::Policy along = QSizePolicy::MinimumExpanding;
        box.addSpacerItem(axis == Axis::Down ? new QSpacerItem(0, pixels, QSizePolicy::Minimum, along)
                                             : new QSpacerItem(pixels, 0, along, QSizePolicy::Minimum));
    } else if (pixels > 0) {
        box.addSpacing(pixels);
    }
}

// What does not grow keeps its design size; what grows never goes below it.
void KeepDesignSize(QWidget& widget, QSize size, unsigned growth)
{
    if (growth & kGrowsWide)
        widget.setMinimumWidth(size.width());
    else
        widget.setFixedWidth(size.width());
    if (growth & kGrowsTall)
        widget.setMinimumHeight(size.height());
    else
        widget.setFixedHeight(size.height());
    // the style's idea of where a widget's visible part lies plays no part: the rectangle is the widget's
    widget.setAttribute(Qt::WA_LayoutUsesWidgetRect);
}

QLayout* Arrange(const std::vector<DesignedChild>& children, const QRect& area);

// One child at its place within area. A child that grows keeps its distance to the far edges
// of area; after one that does not, the room it does not take stays empty.
QLayout* Place(const DesignedChild& child, const QRect& area)
{
    KeepDesignSize(*child.widget, child.rect.size(), child.growth);
    const bool wide = (child.growth & kGrowsWide) != 0;
    const bool tall = (child.growth & kGrowsTall) != 0;
    QBoxLayout* down = NewBox(Axis::Down);
    AddGap(*down, child.rect.top() - area.top(), Axis::Down, false);
    QBoxLayout* across = NewBox(Axis::Across);
    AddGap(*across, child.rect.left() - area.left(), Axis::Across, false);
    Qt::Alignment alignment;
    if (!wide)
        alignment |= Qt::AlignLeft;
    if (!tall)
        alignment |= Qt::AlignTop;
    across->addWidget(child.widget, wide ? 1 : 0, alignment);
    if (wide)
        AddGap(*across, End(area, Axis::Across) - End(child.rect, Axis::Across), Axis::Across, false);
    down->addLayout(across, tall ? 1 : 0);
    if (tall)
        AddGap(*down, End(area, Axis::Down) - End(child.rect, Axis::Down), Axis::Down, false);
    else
        down->addStretch(1);
    return down;
}

// The bands one after the other along axis, at their design distances.
QLayout* Stack(const std::vector<Band>& bands, const QRect& area, Axis axis)
{
    QBoxLayout* box = NewBox(axis);
    int at = Start(area, axis);
    bool grows = false;
    for (const Band& band : bands) {
        const bool gapGrows = axis == Axis::Across && (band.growth & kKeepsToTheRight);
        AddGap(*box, band.start - at, axis, gapGrows);
        const bool bandGrows = (band.growth & GrowthAlong(axis)) != 0;
        box->addLayout(Arrange(band.children, Slice(area, band, axis)), bandGrows ? 1 : 0);
        grows = grows || gapGrows || bandGrows;
        at = band.end;
    }
    AddGap(*box, End(area, axis) - at, axis, false);
    // a stretch that outweighs the bands, whose own empty room would otherwise share it
    if (!grows)
        box->addStretch(1);
    return box;
}

QLayout* Arrange(const std::vector<DesignedChild>& children, const QRect& area)
{
    if (children.size() == 1)
        return Place(children.front(), area);
    for (Axis axis : {Axis::Down, Axis::Across}) {
        const std::vector<Band> bands = BandsAlong(children, axis);
        if (bands.size() > 1)
            return Stack(bands, area, axis);
    }
    // Overlapping children cannot be laid out side by side: one goes below the other.
    Q_ASSERT_X(false, "LayOutAsDesigned", "children overlap");
    std::vector<Band> stacked;
    for (const DesignedChild& child : children)
        stacked.push_back({child.rect.top(), child.rect.bottom() + 1, child.growth, {child}});
    return Stack(stacked, area, Axis::Down);
}

}  // namespace

int DialogUnitsToPixels(int dialogUnits)
{
    return static_cast<int>(std::lround(dialogUnits * kPixelsPerDialogUnit));
}

QRect DialogUnitsRect(int x, int y, int cx, int cy)
{
    return QRect(DialogUnitsToPixels(x), DialogUnitsToPixels(y), DialogUnitsToPixels(cx), DialogUnitsToPixels(cy));
}

// The layout is given the container's contents: its rectangle less its contents margins (a group
// box's title and frame).
void LayOutAsDesigned(QWidget& container, const std::vector<DesignedChild>& children, QSize designSize)
{
    if (children.empty())
        return;
    const QRect contents = QRect(QPoint(0, 0), designSize).marginsRemoved(container.contentsMargins());
    container.setLayout(Arrange(children, contents));
}
