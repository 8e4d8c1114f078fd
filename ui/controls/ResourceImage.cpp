#include "ui/controls/ResourceImage.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QString>

// The resources live in a static library, so they are registered explicitly.
static void RegisterResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(quenda);
        return true;
    }();
    (void)registered;
}

static qreal ScreenPixelRatio()
{
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

QImage LoadResourceImage(int id)
{
    RegisterResources();
    if (id <= 0)
        return {};
    if (ScreenPixelRatio() > 1.0) {
        QImage sharp(QStringLiteral(":/%1@2x.png").arg(id));
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2.0);
            return sharp;
        }
    }
    return QImage(QStringLiteral(":/%1.png").arg(id));
}

QCursor LoadResourceCursor(int id, int hotX, int hotY, bool* loaded)
{
    const QImage image = LoadResourceImage(id);
    *loaded = !image.isNull();
    if (!*loaded)
        return QCursor(Qt::ArrowCursor);
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}
