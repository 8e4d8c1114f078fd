// Draws every bitmap, the icon and the cursor of the program, at normal and at double
// resolution, into <id>.png and <id>@2x.png, and writes the resource list quenda.qrc.
// Usage: quenda_bitmaps OUTPUT_DIRECTORY [CONTACT_SHEET.png]
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QTranslator>

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

const QString kLatinFamily = QStringLiteral("DejaVu Sans");
const QString kCjkFamily = QStringLiteral("WenQuanYi Micro Hei");

struct Palette {
    QColor top;
    QColor bottom;
    QColor border;
    QColor text;
};

const Palette kWhiteFace{QColor(0xFF, 0xFF, 0xFF), QColor(0xE6, 0xEA, 0xEF), QColor(0x8C, 0x98, 0xA6),
                         QColor(0x1E, 0x29, 0x36)};
const Palette kBlueFace{QColor(0xE1, 0xF1, 0xFF), QColor(0xA8, 0xD3, 0xF6), QColor(0x3A, 0x7E, 0xBA),
                        QColor(0x0A, 0x3A, 0x63)};
const Palette kRedFace{QColor(0xF0, 0x5A, 0x5E), QColor(0xB8, 0x1F, 0x27), QColor(0x86, 0x12, 0x18),
                       QColor(0xFF, 0xFF, 0xFF)};

using Drawing = std::function<void(QPainter&, QSize)>;

struct Bitmap {
    int id;
    QSize size;
    Drawing draw;
};

bool IsCjk(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x2E80)
            return true;
    }
    return false;
}

// The largest font (up to the preferred size) with which the label fits the width.
QFont FittingFont(const QString& text, qreal preferredPx, qreal width)
{
    QFont font(IsCjk(text) ? kCjkFamily : kLatinFamily);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setWeight(IsCjk(text) ? QFont::Normal : QFont::DemiBold);
    for (qreal px = preferredPx; px >= 8.0; px -= 0.5) {
        font.setPixelSize(qRound(px));
        if (QFontMetricsF(font).horizontalAdvance(text) <= width)
            break;
    }
    return font;
}

void DrawFace(QPainter& p, const QSize& size, const Palette& colours)
{
    const QRectF body = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(0, 0, 0, size.height());
    fill.setColorAt(0.0, colours.top);
    fill.setColorAt(1.0, colours.bottom);
    p.setPen(QPen(colours.border, 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(body, 4, 4);
    // A faint inner highlight along the top edge gives the face some depth.
    p.setPen(QPen(QColor(255, 255, 255, 110), 1.0));
    p.drawLine(QPointF(4, 1.5), QPointF(size.width() - 4, 1.5));
}

Drawing LabelledFace(const QString& label, const Palette& colours)
{
    return [label, colours](QPainter& p, QSize size) {
        DrawFace(p, size, colours);
        const qreal preferred = IsCjk(label) ? 14.0 : 12.0;
        p.setFont(FittingFont(label, preferred, size.width() - 10));
        p.setPen(colours.text);
        p.drawText(QRectF(0, 0, size.width(), size.height()), Qt::AlignCenter, label);
    };
}

// "A | B" with the side the unit has in the face's text colour, the other faint.
Drawing CompareFace(bool bActive, const Palette& colours)
{
    return [bActive, colours](QPainter& p, QSize size) {
        DrawFace(p, size, colours);
        const qreal half = size.width() / 2.0;
        p.setPen(QPen(colours.border, 1.0));
        p.drawLine(QPointF(half, 7), QPointF(half, size.height() - 7));
        p.setFont(FittingFont(QStringLiteral("A"), 15.0, half));
        const QColor faint = colours.border.lighter(125);
        p.setPen(bActive ? faint : colours.text);
        p.drawText(QRectF(0, 0, half, size.height()), Qt::AlignCenter, QStringLiteral("A"));
        p.setPen(bActive ? colours.text : faint);
        p.drawText(QRectF(half, 0, half, size.height()), Qt::AlignCenter, QStringLiteral("B"));
    };
}

// A face's word, in Chinese from the program's translations.
QString FaceText(const char* english, bool chinese)
{
    return chinese ? QCoreApplication::translate("ButtonFace", english) : QString::fromLatin1(english);
}

void DrawUsbSymbol(QPainter& p, const QColor& colour)
{
    p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(9, 11), QPointF(28, 11));
    QPainterPath upper;
    upper.moveTo(13, 11);
    upper.lineTo(17, 6);
    upper.lineTo(23, 6);
    p.drawPath(upper);
    QPainterPath lower;
    lower.moveTo(17, 11);
    lower.lineTo(21, 16);
    lower.lineTo(25, 16);
    p.drawPath(lower);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(8, 11), 2.8, 2.8);
    p.drawEllipse(QPointF(24.5, 6), 2.0, 2.0);
    p.drawRect(QRectF(24.5, 14.2, 3.6, 3.6));
    QPolygonF arrow;
    arrow << QPointF(32, 11) << QPointF(27, 8) << QPointF(27, 14);
    p.drawPolygon(arrow);
}

Drawing ConnectFace(const QColor& symbol)
{
    return [symbol](QPainter& p, QSize size) {
        DrawFace(p, size, kWhiteFace);
        DrawUsbSymbol(p, symbol);
    };
}

// Fader scale: the thumb's centre travels from y = 10 (+10 dB) to y = 156 (-80 dB) at x = 40.
constexpr int kScaleTopY = 10;
constexpr int kScaleBottomY = 156;
constexpr int kScaleTopDb = 10;
constexpr int kScaleBottomDb = -80;
constexpr qreal kGrooveX = 40.0;

qreal ScaleY(qreal db)
{
    return kScaleTopY + (kScaleTopDb - db) * (kScaleBottomY - kScaleTopY) / (kScaleTopDb - kScaleBottomDb);
}

void DrawFaderScale(QPainter& p, QSize)
{
    const QColor ink(0x2A, 0x33, 0x3F);
    QFont font(kLatinFamily);
    font.setPixelSize(9);
    font.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(font);
    for (int db = kScaleTopDb; db >= kScaleBottomDb; db -= 5) {
        const qreal y = std::round(ScaleY(db)) + 0.5;
        const bool major = db % 10 == 0;
        p.setPen(QPen(ink, 1.0));
        p.drawLine(QPointF(major ? 24 : 27, y), QPointF(31, y));
        p.drawLine(QPointF(49, y), QPointF(major ? 52 : 50, y));
        if (!major)
            continue;
        const QString label = db > 0 ? QStringLiteral("+%1").arg(db) : QString::number(db);
        p.drawText(QRectF(0, y - 6, 22, 12), Qt::AlignRight | Qt::AlignVCenter, label);
    }
    const QRectF groove(kGrooveX - 2.5, kScaleTopY - 4, 5, kScaleBottomY - kScaleTopY + 8);
    QLinearGradient fill(groove.left(), 0, groove.right(), 0);
    fill.setColorAt(0.0, QColor(0x1C, 0x21, 0x28));
    fill.setColorAt(1.0, QColor(0x4A, 0x52, 0x5C));
    p.setPen(QPen(QColor(0x14, 0x18, 0x1E), 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(groove, 2.5, 2.5);
    // The 0 dB line is marked across the groove for orientation.
    p.setPen(QPen(QColor(0xD9, 0x3A, 0x2F), 1.0));
    const qreal zero = std::round(ScaleY(0)) + 0.5;
    p.drawLine(QPointF(24, zero), QPointF(31, zero));
}

Drawing FaderKnob(const QColor& top, const QColor& middle, const QColor& mark)
{
    return [top, middle, mark](QPainter& p, QSize) {
        const QRectF body(0.5, 0.5, 13, 20);
        QLinearGradient fill(0, 0, 0, 21);
        fill.setColorAt(0.0, top);
        fill.setColorAt(0.48, middle);
        fill.setColorAt(0.52, middle.darker(112));
        fill.setColorAt(1.0, top.darker(108));
        p.setPen(QPen(QColor(0x4A, 0x51, 0x5B), 1.0));
        p.setBrush(fill);
        p.drawRoundedRect(body, 2.5, 2.5);
        p.setPen(QPen(QColor(0, 0, 0, 60), 1.0));
        for (qreal y : {4.5, 6.5, 14.5, 16.5})
            p.drawLine(QPointF(3, y), QPointF(11, y));
        p.setPen(QPen(mark, 2.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(1.5, 11), QPointF(12.5, 11));
    };
}

Drawing Lamp(const QColor& centre, const QColor& edge)
{
    return [centre, edge](QPainter& p, QSize) {
        const QRectF body(0.5, 0.5, 20, 12);
        QRadialGradient glow(body.center(), 11);
        glow.setColorAt(0.0, centre);
        glow.setColorAt(1.0, edge);
        p.setPen(QPen(edge.darker(160), 1.0));
        p.setBrush(glow);
        p.drawRoundedRect(body, 2.5, 2.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 70));
        p.drawRoundedRect(QRectF(3, 2, 15, 3.5), 1.5, 1.5);
    };
}

QColor Dimmed(const QColor& colour)
{
    return QColor::fromHsvF(colour.hsvHueF(), colour.hsvSaturationF() * 0.55, colour.valueF() * 0.32);
}

void DrawIcon(QPainter& p, QSize)
{
    const QRectF tile(1, 1, 30, 30);
    QLinearGradient fill(0, 0, 0, 32);
    fill.setColorAt(0.0, QColor(0x24, 0x4A, 0x78));
    fill.setColorAt(1.0, QColor(0x0E, 0x21, 0x3A));
    p.setPen(QPen(QColor(0x0A, 0x17, 0x29), 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(tile, 6, 6);
    p.setPen(QPen(QColor(255, 255, 255, 40), 0.8));
    for (int x : {8, 16, 24})
        p.drawLine(QPointF(x, 5), QPointF(x, 27));
    p.drawLine(QPointF(4, 18), QPointF(28, 18));
    QPainterPath curve;
    curve.moveTo(4, 18);
    curve.cubicTo(11, 18, 12, 7, 16, 7);
    curve.cubicTo(20, 7, 21, 18, 28, 18);
    p.setPen(QPen(QColor(0x5C, 0xD0, 0xFF), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.setPen(QPen(QColor(0x0E, 0x21, 0x3A), 1.0));
    p.setBrush(QColor(0xFF, 0xC8, 0x3D));
    p.drawEllipse(QPointF(16, 7), 2.6, 2.6);
    p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 24.5), QPointF(26, 24.5));
}

// A pointing hand whose index fingertip is the hot spot (5, 0).
void DrawHandCursor(QPainter& p, QSize)
{
    p.translate(0.5, 0.5);
    QPainterPath hand;
    hand.moveTo(2, 3);
    hand.arcTo(QRectF(2, 0, 6, 6), 180, -180);
    hand.lineTo(8, 10);
    hand.arcTo(QRectF(8, 8, 4, 4), 180, -180);
    hand.arcTo(QRectF(12, 9, 4, 4), 180, -180);
    hand.arcTo(QRectF(16, 10, 4, 4), 180, -180);
    hand.lineTo(20, 20);
    hand.cubicTo(20, 24, 18.5, 26, 17, 27);
    hand.lineTo(9, 27);
    hand.cubicTo(7, 25, 5, 23, 3, 20);
    hand.lineTo(0.5, 16.5);
    hand.cubicTo(-0.5, 14.5, 1.2, 13.2, 2, 14);
    hand.closeSubpath();
    p.setPen(QPen(Qt::black, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    p.setPen(QPen(Qt::black, 0.8));
    p.drawLine(QPointF(12, 11), QPointF(12, 14));
    p.drawLine(QPointF(16, 12), QPointF(16, 15));
}

std::vector<Bitmap> AllBitmaps()
{
    const QSize small(60, 30);
    const QSize wide(80, 30);
    std::vector<Bitmap> all = {
        {128, {32, 32}, DrawIcon},
        {134, {32, 32}, DrawHandCursor},
        {135, {52, 168}, DrawFaderScale},
        {136, {14, 21}, FaderKnob(QColor(0xF6, 0xF7, 0xF9), QColor(0xC4, 0xC9, 0xD0), QColor(0x20, 0x24, 0x2A))},
        {137, {14, 21}, FaderKnob(QColor(0xE8, 0xF4, 0xFF), QColor(0x8F, 0xC3, 0xF0), QColor(0x0B, 0x4F, 0x96))},
        {139, small, LabelledFace(QStringLiteral("Mute"), kRedFace)},
        {140, small, LabelledFace(QStringLiteral("Mute"), kWhiteFace)},
        {147, {38, 22}, ConnectFace(QColor(0x80, 0x86, 0x8F))},
        {148, {38, 22}, ConnectFace(QColor(0xD8, 0x22, 0x22))},
    };
    // The faces' words in English; a Chinese face takes the word's translation.
    struct Label {
        int id;
        const char* text;
        bool chinese;
        bool blue;
    };
    const Label faces[] = {
        {155, QT_TRANSLATE_NOOP("ButtonFace", "Load"), false, false},
        {156, "Load", false, true},
        {157, QT_TRANSLATE_NOOP("ButtonFace", "Save"), false, false},
        {158, "Save", false, true},
        {159, "Load", true, false},
        {160, "Load", true, true},
        {161, "Save", true, false},
        {162, "Save", true, true},
        {163, QT_TRANSLATE_NOOP("ButtonFace", "Export"), true, false},
        {164, "Export", true, true},
        {165, QT_TRANSLATE_NOOP("ButtonFace", "Import"), true, false},
        {166, "Import", true, true},
        {167, "Import", false, false},
        {168, "Import", false, true},
        {169, "Export", false, true},
        {170, "Export", false, false},
        {171, "English", false, false},
        {172, QT_TRANSLATE_NOOP("ButtonFace", "Chinese"), true, false},   // the language in its own words
        {173, QT_TRANSLATE_NOOP("ButtonFace", "Setting"), false, false},
        {174, "Setting", true, false},
        {175, "Setting", true, true},
        {176, "Setting", false, true},
    };
    for (const Label& face : faces)
        all.push_back({face.id, small, LabelledFace(FaceText(face.text, face.chinese), face.blue ? kBlueFace : kWhiteFace)});
    const Label switches[] = {
        {186, QT_TRANSLATE_NOOP("ButtonFace", "Notch Bypass"), true, false},
        {187, "Notch Bypass", true, true},
        {188, QT_TRANSLATE_NOOP("ButtonFace", "Notch Clear"), true, false},
        {190, QT_TRANSLATE_NOOP("ButtonFace", "PEQ Bypass"), true, false},
        {191, "PEQ Bypass", true, true},
        {193, "Notch Bypass", false, false},
        {194, "Notch Bypass", false, true},
        {195, "Notch Clear", false, false},
        {197, "PEQ Bypass", false, false},
        {198, "PEQ Bypass", false, true},
    };
    for (const Label& face : switches)
        all.push_back({face.id, wide, LabelledFace(FaceText(face.text, face.chinese), face.blue ? kBlueFace : kWhiteFace)});
    all.push_back({200, small, CompareFace(false, kWhiteFace)});
    all.push_back({201, small, CompareFace(false, kBlueFace)});
    all.push_back({202, small, CompareFace(true, kWhiteFace)});
    all.push_back({203, small, CompareFace(true, kBlueFace)});
    const QColor red(0xFF, 0x4A, 0x3D), green(0x46, 0xF0, 0x5A), yellow(0xFF, 0xD8, 0x2E);
    const QSize lamp(21, 13);
    all.push_back({177, lamp, Lamp(red.lighter(130), red.darker(135))});
    all.push_back({178, lamp, Lamp(green.lighter(130), green.darker(150))});
    all.push_back({179, lamp, Lamp(yellow.lighter(125), yellow.darker(140))});
    all.push_back({180, lamp, Lamp(Dimmed(green).lighter(130), Dimmed(green))});
    all.push_back({181, lamp, Lamp(Dimmed(yellow).lighter(130), Dimmed(yellow))});
    all.push_back({182, lamp, Lamp(Dimmed(red).lighter(130), Dimmed(red))});
    return all;
}

QImage Render(const Bitmap& bitmap, int scale)
{
    QImage image(bitmap.size * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    painter.scale(scale, scale);
    bitmap.draw(painter, bitmap.size);
    return image;
}

bool WriteResourceList(const QDir& out, const std::vector<Bitmap>& all)
{
    QFile file(out.filePath(QStringLiteral("quenda.qrc")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream qrc(&file);
    qrc << "<RCC>\n    <qresource prefix=\"/\">\n";
    for (const Bitmap& bitmap : all)
        qrc << "        <file>" << bitmap.id << ".png</file>\n        <file>" << bitmap.id << "@2x.png</file>\n";
    qrc << "    </qresource>\n</RCC>\n";
    return true;
}

// All double-resolution images side by side on the dialog colour, for looking at them.
bool WriteContactSheet(const QString& path, const std::vector<Bitmap>& all)
{
    constexpr int kScale = 2, kGap = 12, kWidth = 900;
    QImage sheet(kWidth, 1400, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter painter(&sheet);
    QFont font(kLatinFamily);
    font.setPixelSize(11);
    painter.setFont(font);
    int x = kGap, y = kGap, rowHeight = 0;
    for (const Bitmap& bitmap : all) {
        const QImage image = Render(bitmap, kScale);
        if (x + image.width() > kWidth - kGap) {
            x = kGap;
            y += rowHeight + kGap + 14;
            rowHeight = 0;
        }
        painter.drawImage(x, y, image);
        painter.setPen(Qt::black);
        painter.drawText(x, y + image.height() + 12, QString::number(bitmap.id));
        x += image.width() + kGap;
        rowHeight = std::max(rowHeight, image.height());
    }
    painter.end();
    return sheet.copy(0, 0, kWidth, y + rowHeight + kGap + 14).save(path);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY [CONTACT_SHEET.png]\n", argv[0]);
        return 2;
    }
    QTranslator chinese;
    if (!chinese.load(QStringLiteral(":/i18n/quenda_zh_CN.qm")) || !QCoreApplication::installTranslator(&chinese)) {
        std::fprintf(stderr, "cannot load the Chinese translations\n");
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const std::vector<Bitmap> all = AllBitmaps();
    for (const Bitmap& bitmap : all) {
        for (int scale : {1, 2}) {
            const QString name = scale == 1 ? QStringLiteral("%1.png").arg(bitmap.id)
                                            : QStringLiteral("%1@2x.png").arg(bitmap.id);
            if (!Render(bitmap, scale).save(out.filePath(name))) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(out.filePath(name)));
                return 1;
            }
        }
    }
    if (!WriteResourceList(out, all)) {
        std::fprintf(stderr, "cannot write the resource list\n");
        return 1;
    }
    if (argc == 3 && !WriteContactSheet(QString::fromLocal8Bit(argv[2]), all)) {
        std::fprintf(stderr, "cannot write the contact sheet\n");
        return 1;
    }
    return 0;
}
