#include "ui/presets/PresetList.h"

#include "ui/controls/ControlId.h"
#include "ui/common/PresetNameCodec.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QMouseEvent>

#include <algorithm>

namespace {

constexpr int kIdColumn = 0;
constexpr int kNameColumn = 1;
constexpr int kIdColumnWidth = 65;
constexpr int kNameColumnWidth = 300;

QTableWidgetItem* CentredItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

CPresetList::CPresetList(QWidget* parent) : QTableWidget(parent)
{
    SetControlId(this, IDC_PRESET_LIST);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->hide();
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setStretchLastSection(false);
}

void CPresetList::Fill(const CParameterImage& image)
{
    clear();
    setColumnCount(2);
    setHorizontalHeaderLabels({tr("ID"), tr("Name")});
    setColumnWidth(kIdColumn, kIdColumnWidth);
    setColumnWidth(kNameColumn, kNameColumnWidth);
    setRowCount(kUserPresetCount);
    for (int row = 0; row < kUserPresetCount; ++row) {
        setItem(row, kIdColumn, CentredItem(QString::number(row + 1)));
        setItem(row, kNameColumn, CentredItem(ReadPresetName(image, row + 1)));
    }
}

std::uint8_t CPresetList::SelectedPreset() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return 0;
    int first = rows.front().row();
    for (const QModelIndex& index : rows)
        first = std::min(first, index.row());
    return static_cast<std::uint8_t>(first + 1);
}

QString CPresetList::RowName(int n) const
{
    const QTableWidgetItem* cell = item(n - 1, kNameColumn);
    return cell ? cell->text() : QString();
}

void CPresetList::SetRowName(int n, const QString& name)
{
    if (QTableWidgetItem* cell = item(n - 1, kNameColumn))
        cell->setText(name);
}

// The view makes the first row current when it gains the focus, without selecting it,
// and the first Down would then step past it.
void CPresetList::focusInEvent(QFocusEvent* event)
{
    const bool hadCurrent = currentIndex().isValid();
    QTableWidget::focusInEvent(event);
    if (!hadCurrent)
        selectionModel()->clearCurrentIndex();
}

void CPresetList::mousePressEvent(QMouseEvent* event)
{
    if (!indexAt(event->position().toPoint()).isValid())
        clearSelection();
    QTableWidget::mousePressEvent(event);
}

void CPresetList::mouseReleaseEvent(QMouseEvent* event)
{
    QTableWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit rowClicked();
}

void CPresetList::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit rowDoubleClicked();
}
