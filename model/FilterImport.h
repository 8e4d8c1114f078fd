// A filter text's filters as a channel's twelve bands and gain, and how far
// the curve the unit will produce lies from the one the file describes.
#pragma once

#include "model/Filter.h"
#include "model/FilterText.h"

#include <array>
#include <optional>
#include <vector>

// The frequencies the two curves are compared at: log-spaced over 20 Hz .. 20 kHz.
constexpr int kDifferencePoints = 2000;
constexpr double kDifferenceLowHz = 20.0;
constexpr double kDifferenceHighHz = 20000.0;

using ChannelBands = std::array<BandParams, kBandCount>;

struct FilterImport {
    ChannelBands bands{};
    int gainCode = 0;              // the channel's gain code
    bool preampGiven = false;      // the gain comes from the file's preamp
    int taken = 0;                 // filters that became bands 1..taken
    std::vector<FilterNote> notes; // in line order
    double largestDifferenceDb = 0.0;   // |file - unit| at its largest
    double largestDifferenceHz = 0.0;   // where
};

// The twelve bands of a channel block.
ChannelBands ChannelBandsOf(const ChannelBlock& block);

// The point of the difference grid: i = 0 .. kDifferencePoints - 1.
double DifferenceGridHz(int i);

// The RBJ biquad of a file's filter at kFileSampleRate.
BiquadSection FileFilterSection(const TextFilter& filter);

// The unit's peaking design takes ln 2 where the cookbook takes ln 2 / 2: its
// octaves are half the standard bandwidth, the width from the centre to one
// band edge. A file's peak of Q at hz is the unit's band of
// UnitOctavesOfFileQ(Q, hz) = FileBandwidthOfQ(Q, hz) / 2, and back.
double UnitOctavesOfFileQ(double q, double hz);
double FileQOfUnitOctaves(double octaves, double hz);

// The file's filters and preamp of one section (an index into text.sections;
// any value when the file names none) on top of a channel's bands and gain:
// filter n becomes band n; peaks are peaking bands, shelves the unit's shelf of
// the nearest slope whose design corner falls on the file's frequency; values
// are snapped to the unit's codes and limits; bands past the last filter
// become flat (their other codes stay); the preamp becomes the gain.
FilterImport ImportFilters(const FilterText& text, int section, const ChannelBands& bands, int gainCode);

// The channel gain in dB of a gain code, and the nearest code of a gain in dB.
double ChannelGainDb(int gainCode);
int ChannelGainCode(double db);
