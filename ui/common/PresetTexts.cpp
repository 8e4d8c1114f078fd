#include "ui/common/PresetTexts.h"

#include <QCoreApplication>

QString PresetBusyText(bool store, int n)
{
    return (store ? QCoreApplication::translate("CPresetDialog", "Saving preset %1…")
                  : QCoreApplication::translate("CPresetDialog", "Loading preset %1…"))
        .arg(n);
}

QString PresetOutcomeText(bool store, int n, bool answered)
{
    if (answered) {
        return (store ? QCoreApplication::translate("CPresetDialog", "Preset %1 saved")
                      : QCoreApplication::translate("CPresetDialog", "Preset %1 loaded"))
            .arg(n);
    }
    return (store ? QCoreApplication::translate("CPresetDialog", "The unit did not answer: preset %1 was not saved")
                  : QCoreApplication::translate("CPresetDialog", "The unit did not answer: preset %1 was not loaded"))
        .arg(n);
}
