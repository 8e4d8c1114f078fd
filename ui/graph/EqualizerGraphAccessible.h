// The equalizer graph as assistive technology sees it: a chart named after its channel whose
// value is the selected band, spoken with its frequency, gain and width.
#pragma once

// Registers the graph's accessible interface with Qt; every graph calls it, the first one installs it.
void InstallGraphAccessibility();
