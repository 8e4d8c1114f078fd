#include "ui/main/UndoStep.h"

#include "protocol/Communication.h"
#include "ui/main/MainWindowState.h"

#include <cstring>
#include <utility>

namespace {

const std::uint8_t* Group(const ImageState& state, int channel, int group)
{
    return BlockBytes(state.channels[static_cast<std::size_t>(channel)]) + kGroupSize * group;
}

bool GroupDiffers(const ImageState& a, const ImageState& b, int channel, int group)
{
    return std::memcmp(Group(a, channel, group), Group(b, channel, group), kGroupSize) != 0;
}

bool IsBandGroup(int group)
{
    return group >= kGroupFirstBand && group < kGroupFirstBand + kBandCount;
}

// The groups of a channel that differ: the bands in one band write when
// several of them changed (the PEQ bypass changes all twelve).
void QueueChangedGroups(const ImageState& a, const ImageState& b, int channel)
{
    int bandGroups = 0;
    for (int g = kGroupFirstBand; g < kGroupFirstBand + kBandCount; ++g)
        bandGroups += GroupDiffers(a, b, channel, g);
    const auto c = static_cast<std::uint8_t>(channel);
    for (int g = 0; g < kGroupCount; ++g) {
        if (!GroupDiffers(a, b, channel, g) || (bandGroups > 1 && IsBandGroup(g)))
            continue;
        QueueSetParam(AREA_CHANNEL, c, static_cast<std::uint8_t>(g));
    }
    if (bandGroups > 1)
        QueueWriteBands(AREA_CHANNEL, c);
}

}  // namespace

ImageState CaptureImageState()
{
    ImageState state;
    ImageLock lock(g_ImageMutex);
    for (int c = 0; c < kChannelCount; ++c) {
        state.channels[static_cast<std::size_t>(c)] = g_ChannelBlocks[c];
        state.channels[static_cast<std::size_t>(c)].notchClear = 0;
    }
    for (std::size_t i = 0; i < std::size(kGlobalItems); ++i)
        state.globalItems[i] = GlobalBytes(g_GlobalSettings)[GlobalItemByte(kGlobalItems[i])];
    std::memcpy(state.savedBandGains, g_SavedBandGains, sizeof state.savedBandGains);
    return state;
}

CImageEditCommand::CImageEditCommand(const ImageState& before, const ImageState& after, std::function<void()> show)
    : m_before(before), m_after(after), m_show(std::move(show))
{
}

bool CImageEditCommand::Differ(const ImageState& a, const ImageState& b)
{
    for (int c = 0; c < kChannelCount; ++c)
        for (int g = 0; g < kGroupCount; ++g)
            if (GroupDiffers(a, b, c, g))
                return true;
    return a.globalItems != b.globalItems ||
           std::memcmp(a.savedBandGains, b.savedBandGains, sizeof a.savedBandGains) != 0;
}

void CImageEditCommand::undo()
{
    Apply(m_before, m_after);
}

void CImageEditCommand::redo()
{
    if (std::exchange(m_done, false))
        return;
    Apply(m_after, m_before);
}

// Writes the groups and items that differ between the two states, as they are
// in to; the notch table past group 15 stays the unit's.
void CImageEditCommand::Apply(const ImageState& to, const ImageState& from)
{
    {
        ImageLock lock(g_ImageMutex);
        for (int c = 0; c < kChannelCount; ++c)
            for (int g = 0; g < kGroupCount; ++g)
                if (GroupDiffers(to, from, c, g))
                    std::memcpy(BlockBytes(g_ChannelBlocks[c]) + kGroupSize * g, Group(to, c, g), kGroupSize);
        for (std::size_t i = 0; i < std::size(kGlobalItems); ++i)
            GlobalBytes(g_GlobalSettings)[GlobalItemByte(kGlobalItems[i])] = to.globalItems[i];
    }
    m_show();
    std::memcpy(g_SavedBandGains, to.savedBandGains, sizeof g_SavedBandGains);   // showing resets them
    for (int c = 0; c < kChannelCount; ++c)
        QueueChangedGroups(to, from, c);
    for (std::size_t i = 0; i < std::size(kGlobalItems); ++i)
        if (to.globalItems[i] != from.globalItems[i])
            QueueSetParam(AREA_GLOBAL, 0, kGlobalItems[i]);
}
