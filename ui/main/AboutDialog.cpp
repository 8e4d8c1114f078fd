#include "ui/main/AboutDialog.h"

#include "ui/controls/ControlId.h"
#include "ui/controls/ResourceImage.h"

#include <QPixmap>
#include <QLabel>
#include <QPushButton>

#include <cmath>

namespace {

constexpr double kPixelsPerDialogUnit = 1.7;
constexpr int kFontPixels = 12;
constexpr int kIconPixels = 32;
constexpr int kIconId = 128;

QRect DialogRect(int x, int y, int cx, int cy)
{
    auto px = [](int du) { return static_cast<int>(std::lround(du * kPixelsPerDialogUnit)); };
    return QRect(px(x), px(y), px(cx), px(cy));
}

}  // namespace

CAboutDialog::CAboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(kFontPixels);
    setFont(font);
    setWindowTitle(QStringLiteral("关于 Quenda"));
    setFixedSize(DialogRect(0, 0, 235, 55).size());

    auto* icon = new QLabel(this);
    const QImage image = LoadResourceImage(kIconId);
    icon->setPixmap(QPixmap::fromImage(image).scaled(kIconPixels, kIconPixels, Qt::KeepAspectRatio,
                                                     Qt::SmoothTransformation));
    icon->setGeometry(QRect(DialogRect(11, 17, 0, 0).topLeft(), QSize(kIconPixels, kIconPixels)));

    auto* name = new QLabel(QStringLiteral("Quenda 1.0 版"), this);
    name->setGeometry(DialogRect(40, 10, 119, 8).adjusted(0, -2, 0, 2));
    auto* version = new QLabel(QStringLiteral("V2.0.3"), this);
    version->setGeometry(DialogRect(40, 25, 119, 8).adjusted(0, -2, 0, 2));

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    SetControlId(ok, 1);
    ok->setDefault(true);
    ok->setGeometry(DialogRect(178, 7, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString AboutMenuText()
{
    return QStringLiteral("关于 Quenda(&A)...");
}
