#pragma once
// The Record dialog's controls as its template defines them: identifiers, kinds, the
// template texts, the built-in texts that replace them when the dialog starts, and which
// start disabled.  The dialog's logic names controls by these identifiers; each front end
// builds its widgets from the table and places them as it likes.
#include <cstdint>
#include <span>

namespace recordctl {
constexpr int32_t kExit = 1;
constexpr int32_t kStop = 1005;
constexpr int32_t kProgress = 1006;
constexpr int32_t kTotals = 1009;  // "Total tracks: ..."
constexpr int32_t kRecord = 1021;
constexpr int32_t kTest = 1022;
constexpr int32_t kSpeedGroup = 1023;
constexpr int32_t kSpeedFirst = 1026;  // "1x", the first radio button of the speed group
constexpr int32_t kSpeed2x = 1028;
constexpr int32_t kSpeed4x = 1029;
constexpr int32_t kSpeed6x = 1030;
constexpr int32_t kSpeed8x = 1032;
constexpr int32_t kSpeedMax = 1033;
constexpr int32_t kPhase = 1031;  // the run's phase line
constexpr int32_t kNormalize = 1048;
constexpr int32_t kTargetEdit = 1052;
constexpr int32_t kTargetUpDown = 1053;
constexpr int32_t kTargetPercent = 1054;
constexpr int32_t kTargetLabel = 1055;
constexpr int32_t kLowerEdit = 1056;
constexpr int32_t kLowerUpDown = 1057;
constexpr int32_t kLowerPercent = 1058;
constexpr int32_t kHigherEdit = 1059;
constexpr int32_t kHigherUpDown = 1060;
constexpr int32_t kHigherPercent = 1061;
constexpr int32_t kOnlyIf = 1062;
constexpr int32_t kLowerLabel = 1063;
constexpr int32_t kOrLabel = 1064;
constexpr int32_t kHigherLabel = 1065;
constexpr int32_t kNormalizeGroup = 1078;
constexpr int32_t kUseCdText = 1083;
constexpr int32_t kAlbumTitle = 1084;
constexpr int32_t kAlbumLabel = 1085;
constexpr int32_t kCdTextGroup = 1086;
constexpr int32_t kGapless = 1090;  // "Gapless (no silence between songs)"
constexpr int32_t kVerify = 1091;   // "Verify after writing"

// The speed radio buttons in group order: index 0 to 5 is the speed choice.
constexpr int32_t kSpeedButtons[] = {kSpeedFirst, kSpeed2x, kSpeed4x,
                                     kSpeed6x,    kSpeed8x, kSpeedMax};
}  // namespace recordctl

struct CRecordDialogControl {
    enum class Kind : int32_t {
        kButton,         // push button
        kDefaultButton,  // the default push button
        kGroupBox,
        kRadioButton,
        kCheckBox,
        kLabel,
        kNumberEdit,  // digits only
        kUpDown,      // arrows attached to the number edit listed just before it
        kEdit,
        kProgressBar,
    };
    int32_t id;
    Kind kind;
    const char* templateText;
    int32_t textId;  // the built-in text that replaces the template text; 0 none
    bool disabled;   // as the template leaves it
};

// Every control, in template order (which is also the keyboard's tab order).
std::span<const CRecordDialogControl> RecordDialogControls();
