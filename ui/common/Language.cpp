#include "ui/common/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

int g_language = kEnglish;
// The translators installed into the application (the program's own, and Qt's
// for its standard buttons and dialogs); the application only borrows them.
std::unique_ptr<QTranslator> g_translator;
std::unique_ptr<QTranslator> g_qtTranslator;

QString TranslationFile(int language)
{
    return language == kChinese ? QStringLiteral(":/i18n/quenda_zh_CN.qm") : QStringLiteral(":/i18n/quenda_en.qm");
}

void InstallTranslator(int language)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(TranslationFile(language)))
        qWarning("The translation %s is missing", qPrintable(TranslationFile(language)));
    if (g_translator)
        QCoreApplication::removeTranslator(g_translator.get());
    QCoreApplication::installTranslator(translator.get());
    g_translator = std::move(translator);
}

// Qt's own texts are English without a translator; Chinese ones come with the
// system's Qt translations (Debian: qt6-translations-l10n).
void InstallQtTranslator(int language)
{
    if (g_qtTranslator) {
        QCoreApplication::removeTranslator(g_qtTranslator.get());
        g_qtTranslator.reset();
    }
    if (language != kChinese)
        return;
    auto translator = std::make_unique<QTranslator>();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder)) {
        qWarning("Qt's Chinese texts are missing in %s: standard buttons stay English", qPrintable(folder));
        return;
    }
    QCoreApplication::installTranslator(translator.get());
    g_qtTranslator = std::move(translator);
}

}  // namespace

int LocaleId(const QLocale& locale)
{
    if (locale.language() != QLocale::Chinese)
        return 0x0409;
    switch (locale.territory()) {
    case QLocale::China: return 0x0804;
    case QLocale::Taiwan: return 0x0404;
    case QLocale::HongKong: return 0x0C04;
    case QLocale::Singapore: return 0x1004;
    case QLocale::Macao: return 0x1404;
    default: return 0x0409;
    }
}

int LanguageForLocaleId(int localeId)
{
    return localeId == 0x0804 || localeId == 0x0404 ? kChinese : kEnglish;
}

int SystemLanguage()
{
    return LanguageForLocaleId(LocaleId(QLocale()));
}

int CurrentLanguage()
{
    return g_language;
}

void SetCurrentLanguage(int language)
{
    g_language = language != 0 ? kChinese : kEnglish;
    InstallQtTranslator(g_language);
    InstallTranslator(g_language);
}

QString ShownChannelName(int channel)
{
    return QCoreApplication::translate("Channel", "CH %1").arg(channel == 0 ? QLatin1Char('A') : QLatin1Char('B'));
}
