// Bitmaps, the icon and the cursor are compiled-in PNG files named by their numeric id
// (":/135.png"); a double-resolution variant (":/135@2x.png") is taken on high-density screens.
// Each is decoded once and shared: the twenty lamps of the window show four bitmaps.
#pragma once

#include <QCursor>
#include <QImage>

// A null image when the id has no bitmap. The image's device pixel ratio is set, so
// deviceIndependentSize() is its size in the widget's coordinates. UI thread only.
QImage LoadResourceImage(int id);

// Qt::ArrowCursor's shape when the id has no bitmap (the caller checks with *loaded).
QCursor LoadResourceCursor(int id, int hotX, int hotY, bool* loaded);
