// Undo and redo of the window's changes: the parameter groups, global items
// and PEQ bypass gains as they were before and after one user action; undoing
// writes the earlier bytes of the groups it changed back into the image, shows
// them and queues those groups, so that the unit follows.
#pragma once

#include "protocol/ParameterImage.h"

#include <QUndoCommand>

#include <array>
#include <cstdint>
#include <functional>

constexpr int kUndoLimit = 200;   // steps the window keeps

// What one user action can change.
struct ImageState {
    std::array<ChannelBlock, kChannelCount> channels{};   // bytes 0..127 compared; notchClear is not a setting
    std::array<std::uint8_t, std::size(kGlobalItems)> globalItems{};   // as kGlobalItems lists them
    std::int16_t savedBandGains[kChannelCount][kBandCount]{};
};

// The image and the PEQ bypass gains now. Takes g_ImageMutex.
ImageState CaptureImageState();

class CImageEditCommand : public QUndoCommand {
public:
    // show re-reads the image into the window after an undo or a redo.
    CImageEditCommand(const ImageState& before, const ImageState& after, std::function<void()> show);

    // The action changed something worth a step.
    static bool Differ(const ImageState& a, const ImageState& b);

    void undo() override;
    // The first redo is the action itself, already done when the step is pushed.
    void redo() override;

private:
    void Apply(const ImageState& to, const ImageState& from);

    ImageState m_before;
    ImageState m_after;
    std::function<void()> m_show;
    bool m_done = true;
};
