#include "ui/controls/ResourceImage.h"

#include <QGuiApplication>
#include <QHash>
#include <QPixmap>
#include <QString>

#include <map>
#include <tuple>

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

static QImage DecodeResourceImage(int id, bool sharp)
{
    if (sharp) {
        QImage image(QStringLiteral(":/%1@2x.png").arg(id));
        if (!image.isNull()) {
            image.setDevicePixelRatio(2.0);
            return image;
        }
    }
    return QImage(QStringLiteral(":/%1.png").arg(id));
}

QImage LoadResourceImage(int id)
{
    RegisterResources();
    if (id <= 0)
        return {};
    const bool sharp = ScreenPixelRatio() > 1.0;
    static QHash<int, QImage> decoded[2];   // by id, plain and sharp
    QHash<int, QImage>& cache = decoded[sharp ? 1 : 0];
    auto found = cache.constFind(id);
    if (found == cache.constEnd())
        found = cache.insert(id, DecodeResourceImage(id, sharp));
    return *found;
}

// Every skinned button has the hand cursor: one cursor made, the buttons share it.
QCursor LoadResourceCursor(int id, int hotX, int hotY, bool* loaded)
{
    static std::map<std::tuple<int, int, int>, QCursor> made;
    const QImage image = LoadResourceImage(id);
    *loaded = !image.isNull();
    if (!*loaded)
        return QCursor(Qt::ArrowCursor);
    auto [found, added] = made.try_emplace({id, hotX, hotY});
    if (added)
        found->second = QCursor(QPixmap::fromImage(image), hotX, hotY);
    return found->second;
}
