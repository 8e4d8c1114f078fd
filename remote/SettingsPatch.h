// Sparse changes of a settings document, in one form both ways: a client's
// PATCH of the current settings, and the change the server tells its clients.
// An object changes key by key (null removes a key); an array changes entry by
// entry and may stop early, the entries past its end and any entry given as an
// empty object staying as they are. Anything else replaces the value.
#pragma once

#include "model/SettingsEdit.h"
#include "ui/settings/SettingsFile.h"

#include <QJsonObject>
#include <QJsonValue>

// target with patch merged in.
QJsonValue MergePatch(const QJsonValue& target, const QJsonValue& patch);
// The change that MergePatch takes from `from` to `to`; undefined when they are equal.
QJsonValue DiffPatch(const QJsonValue& from, const QJsonValue& to);

// The unit's settings with a sparse copy of a settings file's `current` object
// merged in, checked by the settings file's reader. A channel's `peqBypass`
// that the patch does not give follows the merged band gains (and its restore
// gains then stay what the unit keeps), so that a patch of one band gain needs
// no more than that gain. False with error naming the field ("current.channels[0].gainDb").
bool ApplySettingsPatch(const UnitSettings& now, const CurrentSettings& nowCurrent, const QJsonObject& patch,
                        UnitSettings& out, SettingsError& error);
