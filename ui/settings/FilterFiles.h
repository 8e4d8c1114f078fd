// "Import filters…" and "Export filters…" of the equalizer graph's context
// menu: a channel's bands and gain from or to a filter text file picked with a
// file dialog, and a box that reports what an import took, refused, left out
// and adjusted. Every prompt can be replaced by a hook for tests.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class CUnitAdapter;
class QWidget;

// Replace the file dialog and the choice of a file's channel section in tests.
struct FilterPrompts {
    std::function<QString(bool forSaving)> pickFile;              // empty: cancelled
    std::function<int(const QStringList& sections)> chooseSection;   // -1: cancelled
};
void SetFilterPromptsHook(FilterPrompts prompts);

class CFilterFiles : public QObject {
    Q_OBJECT
public:
    CFilterFiles(QWidget* window, CUnitAdapter& unit);

    // The file's filters into the channel's bands and gain, as one settings
    // edit (the window makes it one undo step); only what changes is sent.
    void Import(int channel);
    void Export(int channel);

private:
    void Tell(const QString& caption, const QString& text);

    QWidget* m_window;
    CUnitAdapter& m_unit;
};
