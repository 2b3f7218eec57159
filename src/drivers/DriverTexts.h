#pragma once
// Messages that more than one driver shows, and those that tell how a run ended.
namespace drivertext {
constexpr char kUnderrunAdvice[] = "Buffer underrun! You should reduce burning speed.";
constexpr char kUnderrun[] = "Buffer underrun!";
constexpr char kNoMemory[] = "No more memory.";
constexpr char kWriteFailed[] = "Write data failed.";
constexpr char kDriveGone[] =
    "The recorder no longer answers: it was disconnected or switched off.";
constexpr char kDriveTimedOut[] = "The recorder did not answer in time.";
constexpr char kClosingUnconfirmed[] =
    "The recorder did not confirm that it finished closing the disc: the disc may be "
    "incomplete.";
}  // namespace drivertext
