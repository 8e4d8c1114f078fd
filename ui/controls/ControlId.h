// Every child control keeps the numeric id the dialog template gives it, so that the
// dialog (and the tests) find a control by id.
#pragma once

class QObject;
class QWidget;

constexpr int kNoControlId = -1;

void SetControlId(QObject* control, int id);
int ControlId(const QObject* control);   // kNoControlId when none was set
QWidget* FindControl(const QWidget* root, int id);
