// A channel's level meter: its column of meter lamps, the lowest level first and the overload
// lamp last (on top). A screen reader hears the column as one indicator, how many level lamps
// are lit and whether the overload lamp is, rather than as ten lamps of their own.
#pragma once

#include <QString>
#include <QWidget>

#include <vector>

class CMeterLamp;

class CLevelMeter : public QWidget {
    Q_OBJECT
public:
    explicit CLevelMeter(QWidget* parent = nullptr);

    // The meter's lamps, children of it, from the bottom; the last is the overload lamp.
    void SetLamps(std::vector<CMeterLamp*> lamps);
    int LampCount() const { return static_cast<int>(m_lamps.size()); }
    CMeterLamp* Lamp(int fromBottom) const;

    // How many of the level lamps are lit, whether the overload lamp is, and both as a screen reader says them.
    int LitLevels() const;
    bool IsOverloaded() const;
    QString SpokenLevel() const;

private:
    std::vector<CMeterLamp*> m_lamps;
};
