#include "ui/common/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

int g_language = kEnglish;

// The translators of a language: the program's own, and Qt's for its standard buttons and
// dialogs (Chinese only; Qt's own texts are English without one). Each is loaded the first time
// its language is used and kept; the application only borrows the ones installed.
struct LanguageTranslators {
    std::unique_ptr<QTranslator> program;
    std::unique_ptr<QTranslator> qt;
};
LanguageTranslators g_translators[2];
int g_installed = -1;   // the language whose translators the application has

QString TranslationFile(int language)
{
    return language == kChinese ? QStringLiteral(":/i18n/quenda_zh_CN.qm") : QStringLiteral(":/i18n/quenda_en.qm");
}

std::unique_ptr<QTranslator> LoadProgramTranslator(int language)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(TranslationFile(language)))
        qWarning("The translation %s is missing", qPrintable(TranslationFile(language)));
    return translator;
}

// Qt's Chinese texts come with the system's Qt translations (Debian: qt6-translations-l10n).
std::unique_ptr<QTranslator> LoadQtTranslator(int language)
{
    if (language != kChinese)
        return nullptr;
    auto translator = std::make_unique<QTranslator>();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder)) {
        qWarning("Qt's Chinese texts are missing in %s: standard buttons stay English", qPrintable(folder));
        return nullptr;
    }
    return translator;
}

const LanguageTranslators& TranslatorsOf(int language)
{
    LanguageTranslators& translators = g_translators[language];
    if (!translators.program) {
        translators.program = LoadProgramTranslator(language);
        translators.qt = LoadQtTranslator(language);
    }
    return translators;
}

void Install(int language)
{
    if (g_installed == language)
        return;
    if (g_installed >= 0) {
        const LanguageTranslators& old = g_translators[g_installed];
        if (old.qt)
            QCoreApplication::removeTranslator(old.qt.get());
        QCoreApplication::removeTranslator(old.program.get());
    }
    const LanguageTranslators& now = TranslatorsOf(language);
    if (now.qt)
        QCoreApplication::installTranslator(now.qt.get());
    QCoreApplication::installTranslator(now.program.get());
    g_installed = language;
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
    Install(g_language);
}

QString ShownChannelName(int channel)
{
    return QCoreApplication::translate("Channel", "CH %1").arg(channel == 0 ? QLatin1Char('A') : QLatin1Char('B'));
}
