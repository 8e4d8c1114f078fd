// The window's controls are designed as a dialog template places them: rectangles in dialog
// units. Here a container's children are put into nested QBoxLayouts that, at the size they were
// designed for, place every child exactly where its rectangle says, and give any extra room to
// the children that grow (the graphs and what holds them); nothing goes below its design size.
#pragma once

#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

// One dialog-unit -> pixel scale for the whole window, chosen so that the template fits 1200 x 725.
constexpr double kPixelsPerDialogUnit = 1.7;

int DialogUnitsToPixels(int dialogUnits);
// A rectangle of the template in pixels, each of its numbers scaled and rounded on its own.
QRect DialogUnitsRect(int x, int y, int cx, int cy);

// Which way a child takes the room its container has beyond its design size.
enum LayoutGrowth : unsigned {
    kGrowsNot = 0,
    kGrowsWide = 1,
    kGrowsTall = 2,
    kGrowsBoth = kGrowsWide | kGrowsTall,
    kKeepsToTheRight = 4,   // the gap before it grows instead, so that it follows the right edge
};

struct DesignedChild {
    QWidget* widget;
    QRect rect;   // in the container's coordinates, at its design size
    unsigned growth = kGrowsNot;
};

// Gives container (which has no layout yet) a layout that, at designSize, places children as
// designed. The children must not overlap; a child that does not grow keeps its size.
void LayOutAsDesigned(QWidget& container, const std::vector<DesignedChild>& children, QSize designSize);
