// Every control of the main window as its template places it, for the tests: the window's own
// controls and each channel's strip, with the ids the tests find them by.
#pragma once

#include "ui/main/ChannelPanelControls.h"
#include "ui/main/MainWindowControls.h"

#include <algorithm>
#include <vector>

inline const std::vector<ControlSpec>& AllControlSpecs()
{
    static const std::vector<ControlSpec> all = [] {
        std::vector<ControlSpec> specs(MainWindowControls().begin(), MainWindowControls().end());
        for (int c = 0; c < kChannelCount; ++c) {
            for (const ChannelControlSpec& spec : ChannelPanelControls())
                specs.push_back(spec.Placed(c));
        }
        return specs;
    }();
    return all;
}

// The entry for id, or nullptr.
inline const ControlSpec* FindControlSpec(int id)
{
    const std::vector<ControlSpec>& all = AllControlSpecs();
    const auto it = std::find_if(all.begin(), all.end(), [id](const ControlSpec& item) { return item.id == id; });
    return it == all.end() ? nullptr : &*it;
}
