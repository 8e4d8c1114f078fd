// What the graph's drawing files share.
#pragma once

#include "model/ValueTables.h"

#include <QFont>
#include <QRect>

class QPainter;
class QPointF;

// The small sans-serif font of the graph's labels.
QFont GraphFont();
QRect ToQRect(const PlotRect& r);
// An anti-aliased polyline through count points with the painter's pen, drawn fast.
void DrawPolylineInPieces(QPainter& painter, const QPointF* points, int count);
