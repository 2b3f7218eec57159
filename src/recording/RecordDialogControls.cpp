#include "recording/RecordDialogControls.h"

#include <iterator>

namespace {
using Kind = CRecordDialogControl::Kind;
using namespace recordctl;

const CRecordDialogControl kControls[] = {
    {kTest, Kind::kButton, "&Test", 302, false},
    {kRecord, Kind::kButton, "&Record", 106, false},
    {kStop, Kind::kButton, "&Stop", 201, true},
    {kExit, Kind::kDefaultButton, "&Exit", 105, false},
    {kSpeedGroup, Kind::kGroupBox, "Select writing speed", 303, false},
    {kSpeedFirst, Kind::kRadioButton, "&1x (Recommended)", 323, false},
    {kSpeed2x, Kind::kRadioButton, "&2x", 0, false},
    {kSpeed4x, Kind::kRadioButton, "&4x", 0, false},
    {kSpeed6x, Kind::kRadioButton, "&6x", 0, false},
    {kSpeed8x, Kind::kRadioButton, "&8x", 0, false},
    {kSpeedMax, Kind::kRadioButton, "&Max Speed", 322, false},
    {kNormalizeGroup, Kind::kGroupBox, "Normalize Setting", 315, false},
    {kNormalize, Kind::kCheckBox, "Normalize", 316, false},
    {kTargetLabel, Kind::kLabel, "Normalize to", 318, true},
    {kTargetEdit, Kind::kNumberEdit, "", 0, true},
    {kTargetUpDown, Kind::kUpDown, "", 0, true},
    {kTargetPercent, Kind::kLabel, "%", 0, true},
    {kOnlyIf, Kind::kCheckBox, "...but only the track is", 317, true},
    {kLowerLabel, Kind::kLabel, "Lower than", 321, true},
    {kLowerEdit, Kind::kNumberEdit, "", 0, true},
    {kLowerUpDown, Kind::kUpDown, "", 0, true},
    {kLowerPercent, Kind::kLabel, "%", 0, true},
    {kOrLabel, Kind::kLabel, "or", 319, true},
    {kHigherLabel, Kind::kLabel, "Higher than", 320, true},
    {kHigherEdit, Kind::kNumberEdit, "", 0, true},
    // Left enabled by the template, unlike everything else around it.
    {kHigherUpDown, Kind::kUpDown, "", 0, false},
    {kHigherPercent, Kind::kLabel, "%", 0, true},
    {kCdTextGroup, Kind::kGroupBox, "CD-TEXT", 0, false},
    {kUseCdText, Kind::kCheckBox, "Use CD-TEXT", 324, false},
    {kAlbumLabel, Kind::kLabel, "Album Title", 325, false},
    {kAlbumTitle, Kind::kEdit, "", 0, false},
    {kGapless, Kind::kCheckBox, "Gapless (no silence between songs)", 4022, false},
    {kVerify, Kind::kCheckBox, "Verify after writing", 4028, false},
    {kTotals, Kind::kLabel, "Total tracks: 10   Total time:  74:30", 0, false},
    {kPhase, Kind::kLabel, "", 0, false},
    {kProgress, Kind::kProgressBar, "", 0, false},
};
}  // namespace

std::span<const CRecordDialogControl> RecordDialogControls() {
    return {kControls, std::size(kControls)};
}
