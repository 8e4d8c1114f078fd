#include "ui/main/AboutDialog.h"

#include "ui/controls/ControlId.h"
#include "ui/controls/ResourceImage.h"
#include "ui/main/DialogLayout.h"

#include <QEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace {

constexpr int kFontPixels = 12;
constexpr int kIconPixels = 32;
constexpr int kIconId = 128;

}  // namespace

CAboutDialog::CAboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(kFontPixels);
    setFont(font);
    setFixedSize(DialogUnitsRect(0, 0, 235, 55).size());

    auto* icon = new QLabel(this);
    const QImage image = LoadResourceImage(kIconId);
    icon->setPixmap(QPixmap::fromImage(image).scaled(kIconPixels, kIconPixels, Qt::KeepAspectRatio,
                                                     Qt::SmoothTransformation));
    icon->setGeometry(QRect(DialogUnitsRect(11, 17, 0, 0).topLeft(), QSize(kIconPixels, kIconPixels)));

    m_name = new QLabel(this);
    m_name->setGeometry(DialogUnitsRect(40, 10, 134, 8).adjusted(0, -2, 0, 2));
    // the second line may take two where the words are long
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    m_summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_summary->setGeometry(DialogUnitsRect(40, 25, 134, 22).adjusted(0, -2, 0, 0));

    m_ok = new QPushButton(this);
    SetControlId(m_ok, 1);
    m_ok->setDefault(true);
    m_ok->setGeometry(DialogUnitsRect(178, 7, 50, 14));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    ApplyLanguage();
}

void CAboutDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ApplyLanguage();
    QDialog::changeEvent(event);
}

// One version throughout: the title bar's, --version's and this box's.
void CAboutDialog::ApplyLanguage()
{
    setWindowTitle(tr("About Quenda"));
    m_name->setText(tr("Quenda version %1").arg(QStringLiteral(QUENDA_VERSION)));
    m_summary->setText(tr("Control program for a two-channel USB audio processor"));
    m_ok->setText(tr("OK"));
}

QString AboutMenuText()
{
    return CAboutDialog::tr("&About Quenda...");
}
