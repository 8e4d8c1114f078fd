// A meter lamp: a button that shows one of two bitmaps, lit or dark, and takes no input
// once the window disables it. A bitmap is decoded when the lamp first shows it.
#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QString>

#include <array>

class CMeterLamp : public QAbstractButton {
    Q_OBJECT
public:
    explicit CMeterLamp(QWidget* parent = nullptr);

    // An id of 0 draws nothing in that state.
    void SetLampImages(int litId, int darkId);
    void SetLit(bool lit);
    bool IsLit() const { return m_bLit; }
    // "lit" or "dark", as a screen reader says it.
    QString SpokenState() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage& CurrentImage() const;
    void FitAndRedraw();

    int m_idLit = 0;
    int m_idDark = 0;
    bool m_bLit = true;
    mutable std::array<QImage, 2> m_faces;   // dark, lit: as decoded
    mutable std::array<bool, 2> m_decoded{};
};
