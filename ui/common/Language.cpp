#include "ui/common/Language.h"

namespace {

int g_language = kEnglish;

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
}

QString TextIn(const LanguageText& text, int language)
{
    return QString::fromUtf8(language != 0 ? text.chinese : text.english);
}

QString LocalText(const LanguageText& text)
{
    return TextIn(text, CurrentLanguage());
}
