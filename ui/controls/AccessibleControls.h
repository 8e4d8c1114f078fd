// The drawn controls as assistive technology sees them: a skinned button is a button (a switch
// says on or off), the gain fader a slider whose value is its reading, a meter lamp an indicator
// that is lit or dark, a level meter one level bar over its lamps, and a drop-down list a combo
// box called by its name, not by the entry it shows. Their names are what the window gives each
// one (setAccessibleName).
#pragma once

// Registers the controls' accessible interfaces with Qt; every control calls it, the first one installs them.
void InstallControlsAccessibility();
