// The preset list of the load and save dialogs: ID and name columns, grid lines,
// whole rows selected one at a time; a click on empty space clears the selection.
// Until a row is picked the list has no current row, so the first Up or Down
// selects preset 1 and each further one moves by a row from there.
#pragma once

#include "protocol/ParameterImage.h"

#include <QTableWidget>

#include <cstdint>

constexpr int IDC_PRESET_LIST = 1057;

class CPresetList : public QTableWidget {
    Q_OBJECT

public:
    explicit CPresetList(QWidget* parent);

    // Column headers, then one row per user preset with its number and its name from the image.
    void Fill(const CParameterImage& image);

    // The number of the selected preset (row + 1), 0 when no row is selected.
    std::uint8_t SelectedPreset() const;

    // The name shown in preset n's row.
    QString RowName(int n) const;

    // Shows name in preset n's row.
    void SetRowName(int n, const QString& name);

signals:
    void rowClicked();
    void rowDoubleClicked();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
