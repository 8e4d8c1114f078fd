// The interface language of the program: English or Chinese, chosen by the
// unit's language byte or at start-up by the system's locale. The texts are
// the English sources of tr(); switching installs the matching translator,
// and Qt tells every widget with a LanguageChange event.
#pragma once

#include <QLocale>
#include <QString>

constexpr int kEnglish = 0;
constexpr int kChinese = 1;

// The system's locale id for a locale: 0x0804 Chinese (PRC), 0x0404 Chinese (Taiwan),
// 0x0C04 Hong Kong, 0x1004 Singapore, 0x1404 Macao; 0x0409 for every other locale.
int LocaleId(const QLocale& locale);
// 1 (Chinese) for 0x0804 and 0x0404 only, otherwise 0.
int LanguageForLocaleId(int localeId);
// The language the window starts in, from the default locale (the system's
// unless the program set another).
int SystemLanguage();

// 0 = English, 1 = Chinese.
int CurrentLanguage();
// Any non-zero value is Chinese. Installs the language's translator into the
// application (English has one too: it holds the plural forms), and for Chinese
// Qt's own, so that standard buttons and file dialogs follow.
void SetCurrentLanguage(int language);

// "CH A" or "CH B" in the interface language.
QString ShownChannelName(int channel);
